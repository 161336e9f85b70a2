#include "harness.hpp"
#include <poll.h>
#include <stdio.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

std::string run_result::out_text() const
{
	std::string s;
	for (auto& r : out) s += r;
	return s;
}

std::string run_result::err_text() const
{
	std::string s;
	for (auto& r : err) s += r;
	return s;
}

std::string probe_path(const std::string& tool)
{
	return std::string(PROBE_BIN) + "/" + tool;
}

static std::vector<char*> c_vector(std::vector<std::string>& v)
{
	std::vector<char*> p;
	for (auto& s : v) p.push_back(s.data());
	p.push_back(nullptr);
	return p;
}

static void drain(int fds[2], std::vector<std::string>* into[2])
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

run_result run(const run_spec& spec)
{
	std::string path = spec.path.empty() ? probe_path(spec.tool) : spec.path;
	std::vector<std::string> args{spec.argv0.empty() ? path : spec.argv0};
	args.insert(args.end(), spec.args.begin(), spec.args.end());
	std::vector<std::string> env = spec.env;
	auto argv = c_vector(args);
	auto envp = c_vector(env);

	int out[2], err[2];
	if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, out) || socketpair(AF_UNIX, SOCK_SEQPACKET, 0, err))
		return {};
	pid_t pid = fork();
	if (pid == 0) {
		dup2(out[1], 1);
		dup2(err[1], 2);
		for (int fd : {out[0], out[1], err[0], err[1]}) close(fd);
		if (spec.close_out) close(1);
		if (spec.close_err) close(2);
		if (spec.in_child) spec.in_child();
		execve(path.c_str(), argv.data(), envp.data());
		_exit(127);
	}
	close(out[1]);
	close(err[1]);
	run_result r;
	r.pid = pid;
	int fds[2] = {out[0], err[0]};
	std::vector<std::string>* into[2] = {&r.out, &r.err};
	drain(fds, into);
	close(out[0]);
	close(err[0]);
	int status = 0;
	waitpid(pid, &status, 0);
	r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
