#pragma once
#include <errno.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Starts a real probe with the argument vector and environment given,
// standard output and standard error on boundary-preserving sockets, so
// each write the probe makes arrives as one record. Every run that strace
// can observe unchanged runs under it, and any system call beyond
// start-up, the probe's own queries, writes to its own descriptors and
// exit fails the test. PROBE_BIN and PROBE_RUNNER in the environment test
// probes built for another architecture, started through an emulator.
struct run_result {
	int status = -1;
	int pid = 0;
	bool audited = false;
	int waits = 0;  // times the probe waited for room on a descriptor
	std::vector<std::string> out, err;
	std::string out_text() const;
	std::string err_text() const;
	std::vector<size_t> out_sizes() const;  // one per write
};

struct run_spec {
	std::string tool;
	std::vector<std::string> args{};  // after argv[0]
	std::vector<std::string> env{};   // the whole environment
	std::string argv0{};              // defaults to the path started
	std::string path{};               // defaults to the built probe
	bool close_out = false;
	bool close_err = false;
	std::string out_file{};           // standard output on this file instead
	int nonblocking_pipe = 0;         // this descriptor on a non-blocking pipe, read late
	bool pipe_full = false;           // and full before the probe starts
	int clone_flags = 0;              // new namespaces for the child, as clone(2) takes them
	std::function<void()> in_child{}; // runs just before exec
	// with standard output on a full pipe: runs while the probe waits in
	// its write there, with its pid, before the pipe is read
	std::function<void(int)> while_held{};
};

std::string probe_path(const std::string& tool);
std::vector<std::string> probes();  // every probe built, by name
bool emulated();  // an emulator starts the probes: no strace, no set-user-id
run_result run(const run_spec& job);
std::string capture(const std::string& command);
std::string read_file(const std::string& path);
// "Label:\tvalue" lines as label and value, the whole rest of the line;
// a label given again adds its value on a line of its own
std::map<std::string, std::string> fields(const std::string& text);
// In the child: calls listed fail with the error from here on; none, all
// pass. With arg, one call fails only when its first argument is arg.
void seccomp_refusing(const std::vector<int>& calls, int error = EPERM, int arg = -1);
// Control bytes, DEL and the backslash as a backslash and three octal digits.
std::string escaped(const std::string& s);
// A copy of the probe, alone in a folder every user can reach, as a
// checkout in a folder of mode 0700 is not; removed when the tests end.
std::string reachable_copy(const std::string& tool);
