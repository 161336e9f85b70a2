#include "harness.hpp"
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace {

struct allowed_calls {
	std::set<std::string> queries;
	std::set<std::string> fds;
	std::vector<std::string> order{};
};

// Queries that must each come just before a write of their own, in order.
allowed_calls in_order(const std::vector<std::string>& order, std::set<std::string> fds)
{
	return {{order.begin(), order.end()}, std::move(fds), order};
}

const allowed_calls& allowed(const std::string& tool)
{
	static const std::map<std::string, allowed_calls> table = {
		{"argreport", {{}, {"1"}}},
		{"envreport", {{}, {"1", "2"}}},
		{"idreport", in_order({"getuid", "geteuid", "getgid", "getegid", "getpid", "getppid", "getpgid",
				       "getsid", "umask"},
				      {"2"})},
		{"limitreport", {{"prlimit64", "getrlimit"}, {"1", "2"}}},
		{"privreport", {{"getgroups", "capget", "prctl", "syscall_0x1cb", "lsm_get_self_attr", "openat", "read", "close"}, {"1", "2"}}},
		{"nsreport", {{"openat", "readlinkat", "close", "read", "uname", "getcwd", "statfs"}, {"1", "2"}}},
		{"resreport", {{"prlimit64", "sched_getaffinity", "sched_getscheduler", "sched_getparam", "getpriority", "ioprio_get", "openat",
				"read", "close"}, {"1", "2"}}},
		{"sigreport", {{"rt_sigpending", "rt_sigprocmask", "rt_sigaction"}, {"1", "2"}}},
		{"mntreport", {{"openat", "read", "close", "statx", "statfs", "getdents64"}, {"1", "2"}}},
		{"devreport", {{"openat", "getdents64", "statx", "readlinkat", "close", "read"}, {"1", "2"}}},
		{"sysreport", {{"uname", "personality", "openat", "ioctl", "close", "read"}, {"1", "2"}}},
		{"fdreport", {{"openat", "getdents64", "readlinkat", "statx", "fcntl", "getsockopt", "getsockname", "close",
			       "prlimit64"},
			      {"1", "2"}}},
	};
	static const allowed_calls none;
	auto at = table.find(tool);
	return at == table.end() ? none : at->second;
}

const std::set<std::string> startup = {"execve", "arch_prctl", "set_tid_address", "exit_group"};

std::string text_of(const std::vector<std::string>& records)
{
	std::string s;
	for (auto& r : records) s += r;
	return s;
}

std::vector<char*> c_vector(std::vector<std::string>& v)
{
	std::vector<char*> p;
	for (auto& s : v) p.push_back(s.data());
	p.push_back(nullptr);
	return p;
}

void drain(int fds[2], std::vector<std::string>* into[2])
{
	static char record[1 << 18];
	bool open[2] = {true, true};
	while (open[0] || open[1]) {
		pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
		if (poll(p, 2, 10000) <= 0) return;
		for (int i = 0; i < 2; ++i) {
			if (!open[i] || !p[i].revents) continue;
			ssize_t n = recv(fds[i], record, sizeof record, 0);
			if (n <= 0) open[i] = false;
			else into[i]->emplace_back(record, size_t(n));
		}
	}
}

// strace -D leaves the probe the direct child, so its ids stay as they
// would be; the tracer finishes the log on its own, a moment later.
std::vector<std::string> read_trace(const std::string& file)
{
	std::vector<std::string> lines;
	for (int tries = 0; tries < 500; ++tries) {
		lines.clear();
		std::ifstream f(file);
		for (std::string line; std::getline(f, line);) lines.push_back(line);
		if (!lines.empty() && lines.back().rfind("+++ ", 0) == 0) break;
		std::this_thread::sleep_for(std::chrono::milliseconds(10));
	}
	return lines;
}

std::string write_fd(const std::string& line)
{
	return line.substr(6, line.find(',') - 6);
}

bool refused_for_room(const std::string& line)
{
	return line.rfind("write(", 0) == 0 && line.find(" = -1 EAGAIN") != std::string::npos;
}

// A wait is allowed only for the descriptor whose write was just refused.
bool waits_for_refused(const std::vector<std::string>& trace, size_t i)
{
	return i > 0 && refused_for_room(trace[i - 1]) &&
	       trace[i].find("{fd=" + write_fd(trace[i - 1]) + ",") != std::string::npos;
}

void check_order(const std::string& tool, const std::vector<std::string>& seen, const allowed_calls& ok)
{
	std::vector<std::string> want;
	for (auto& q : ok.order) want.insert(want.end(), {q, "write"});
	bool queried = std::any_of(seen.begin(), seen.end(), [](auto& c) { return c != "write"; });
	if (!want.empty() && queried) {
		EXPECT_EQ(seen, want) << tool << ": queries and writes out of order";
	}
}

void audit(const std::string& tool, const std::vector<std::string>& trace, run_result* r)
{
	ASSERT_FALSE(trace.empty()) << tool << ": no trace";
	EXPECT_EQ(trace.back().rfind("+++ exited with ", 0), 0u) << tool << ": " << trace.back();
	const allowed_calls& ok = allowed(tool);
	std::vector<std::string> seen;  // queries and completed writes, in order
	for (size_t i = 0; i + 1 < trace.size(); ++i) {
		const std::string& line = trace[i];
		std::string name = line.substr(0, line.find('('));
		bool fine = startup.count(name) || ok.queries.count(name);
		if (name == "execve") fine = i == 0;
		if (name == "write") fine = ok.fds.count(write_fd(line)) > 0;
		if (name == "poll" || name == "ppoll") {
			fine = waits_for_refused(trace, i);
			++r->waits;
		}
		EXPECT_TRUE(fine) << tool << ": unexpected system call: " << line;
		if (ok.queries.count(name) || (name == "write" && !refused_for_room(line))) seen.push_back(name);
	}
	check_order(tool, seen, ok);
}

// Fills a pipe until it refuses more; returns the bytes it took.
size_t fill(int fd)
{
	static const char junk[4096] = {};
	size_t filled = 0;
	for (size_t piece : {sizeof junk, size_t(1)})
		for (ssize_t n; (n = write(fd, junk, piece)) > 0;) filled += size_t(n);
	return filled;
}

// Until the probe waits in a write to its standard output: write is 4 in
// i386's numbering, which the kernel shows for an i386 probe.
void wait_in_write(int pid)
{
	for (int tries = 0; tries < 5000; ++tries) {
		std::string call = read_file("/proc/" + std::to_string(pid) + "/syscall");
		if (call.rfind(std::to_string(SYS_write) + " 0x1 ", 0) == 0 || call.rfind("4 0x1 ", 0) == 0) return;
		std::this_thread::sleep_for(std::chrono::milliseconds(2));
	}
}

std::string read_all(int fd, size_t skip)
{
	fcntl(fd, F_SETFL, 0);
	std::string all;
	char buf[65536];
	for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) all.append(buf, size_t(n));
	return all.substr(std::min(skip, all.size()));
}

} // namespace

std::string run_result::out_text() const { return text_of(out); }
std::string run_result::err_text() const { return text_of(err); }

std::vector<size_t> run_result::out_sizes() const
{
	std::vector<size_t> sizes;
	for (auto& w : out) sizes.push_back(w.size());
	return sizes;
}

std::string probe_path(const std::string& tool)
{
	const char* bin = getenv("PROBE_BIN");
	return std::string(bin ? bin : PROBE_BIN) + "/" + tool;
}

std::vector<std::string> probes()
{
	std::vector<std::string> names;
	for (auto& e : std::filesystem::directory_iterator(probe_path("")))
		if (e.path().filename() != "ocicheck") names.push_back(e.path().filename());  // the host program beside them
	std::sort(names.begin(), names.end());
	return names;
}

static const char* runner()
{
	const char* r = getenv("PROBE_RUNNER");
	return r && *r ? r : nullptr;
}

bool emulated()
{
	return runner() != nullptr;
}

// qemu-user up to 7.2 hands its own environment on in reverse
static bool runner_reverses_env()
{
	static const bool reverses =
		capture("env -i A=1 B=2 " + std::string(runner()) + " " + probe_path("envreport")) == "B=2\nA=1\n";
	return reverses;
}

run_result run(const run_spec& job)
{
	std::string path = job.path.empty() ? probe_path(job.tool) : job.path;
	// strace cannot choose argv[0], keep set-user-id or leave 1 and 2 closed,
	// and the audit knows the host's own calls only
	bool traced = job.argv0.empty() && job.path.empty() && !job.close_out && !job.close_err && !getenv("PROBE_BIN");
	char trace_file[] = "/tmp/probe-trace-XXXXXX";
	if (traced) close(mkstemp(trace_file));

	std::vector<std::string> args{job.argv0.empty() ? path : job.argv0};
	args.insert(args.end(), job.args.begin(), job.args.end());
	if (traced)
		args.insert(args.begin(), {"strace", "-D", "-q", "-e", "signal=none", "-o", trace_file, "--"});
	if (runner()) {
		args[0] = path;
		args.insert(args.begin(), {runner(), "-0", job.argv0.empty() ? path : job.argv0});
	}
	std::vector<std::string> env = job.env;
	if (runner() && runner_reverses_env()) std::reverse(env.begin(), env.end());
	auto argv = c_vector(args);
	auto envp = c_vector(env);
	std::string started = runner() ? runner() : traced ? "/usr/bin/strace" : path;

	int late[2] = {-1, -1};
	size_t prefilled = 0;
	if (job.nonblocking_pipe || job.while_held) {
		if (pipe2(late, O_NONBLOCK)) return {};
		if (job.pipe_full || job.while_held) prefilled = fill(late[1]);
		if (job.while_held) fcntl(late[1], F_SETFL, 0);
	}
	int late_fd = job.while_held ? 1 : job.nonblocking_pipe;

	int out[2], err[2];
	if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, out) || socketpair(AF_UNIX, SOCK_SEQPACKET, 0, err))
		return {};
	pid_t pid = pid_t(syscall(SYS_clone, SIGCHLD | job.clone_flags, 0, 0, 0, 0));
	if (pid == 0) {
		dup2(out[1], 1);
		dup2(err[1], 2);
		for (int fd : {out[0], out[1], err[0], err[1]}) close(fd);
		if (!job.out_file.empty()) dup2(open(job.out_file.c_str(), O_WRONLY), 1);
		if (job.close_out) close(1);
		if (job.close_err) close(2);
		if (late_fd) {
			dup2(late[1], late_fd);
			close(late[0]);
			close(late[1]);
		}
		if (job.in_child) job.in_child();
		execve(started.c_str(), argv.data(), envp.data());
		_exit(127);
	}
	close(out[1]);
	close(err[1]);
	run_result r;
	r.pid = pid;
	if (late_fd) {
		close(late[1]);
		if (job.while_held) {
			wait_in_write(pid);
			job.while_held(pid);
		} else {
			std::this_thread::sleep_for(std::chrono::milliseconds(300));
		}
		(late_fd == 1 ? r.out : r.err).push_back(read_all(late[0], prefilled));
		close(late[0]);
	}
	int fds[2] = {out[0], err[0]};
	std::vector<std::string>* into[2] = {&r.out, &r.err};
	drain(fds, into);
	close(out[0]);
	close(err[0]);
	int status = 0;
	waitpid(pid, &status, 0);
	r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
	if (traced) {
		audit(job.tool, read_trace(trace_file), &r);
		unlink(trace_file);
		r.audited = true;
	}
	return r;
}

std::string capture(const std::string& command)
{
	std::string s;
	FILE* f = popen(command.c_str(), "r");
	if (!f) return s;
	char buf[4096];
	size_t n;
	while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
	pclose(f);
	return s;
}

std::string read_file(const std::string& path)
{
	std::ifstream f(path);
	return {std::istreambuf_iterator<char>(f), {}};
}

std::map<std::string, std::string> fields(const std::string& text)
{
	std::map<std::string, std::string> m;
	std::istringstream lines(text);
	for (std::string line; std::getline(lines, line);)
		if (size_t colon = line.find(":\t"); colon != std::string::npos) {
			auto [at, fresh] = m.try_emplace(line.substr(0, colon));
			at->second += (fresh ? "" : "\n") + line.substr(colon + 2);
		}
	return m;
}

void seccomp_refusing(const std::vector<int>& calls, int error, int arg)
{
	std::vector<sock_filter> code{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
	for (int nr : calls) {
		code.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, uint32_t(nr), 0, uint8_t(arg < 0 ? 1 : 3)));
		if (arg >= 0) code.insert(code.end(), {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args)),
			BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, uint32_t(arg), 0, 1)});
		code.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | uint32_t(error)));
	}
	code.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
	sock_fprog prog{uint16_t(code.size()), code.data()};
	if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) || prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog))
		_exit(126);
}

std::string escaped(const std::string& s)
{
	std::string e;
	for (char c : s) e += uint8_t(c) < 0x20 || c == 0x7f || c == '\\' ? std::string{'\\', char('0' + (c >> 6 & 3)), char('0' + (c >> 3 & 7)), char('0' + (c & 7))} : std::string(1, c);
	return e;
}

std::string reachable_copy(const std::string& tool)
{
	static std::vector<std::string> made;
	if (made.empty()) atexit([] { for (auto& dir : made) std::filesystem::remove_all(dir); });
	char dir[] = "/tmp/probe-copy-XXXXXX";
	std::string copy = made.emplace_back(mkdtemp(dir)) + "/" + tool;
	std::filesystem::copy_file(probe_path(tool), copy);
	// whatever the umask and the checkout's modes were
	chmod(dir, 0755);
	chmod(copy.c_str(), 0755);
	return copy;
}
