#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>
#include "ocicheck.hpp"

namespace {

volatile sig_atomic_t caught = 0;

void on_signal(int sig) { caught = sig; }

// In the child: standard input from /dev/null, the outputs to the pipes,
// the signals as they were, then the program; the error of a failed exec
// goes back through its own pipe.
[[noreturn]] void start(const std::vector<std::string>& argv, int out, int err, int report)
{
	// a group of its own, which an interrupt ends as a whole
	setpgid(0, 0);
	for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, SIG_DFL);
	int null = open("/dev/null", O_RDONLY);
	if (null < 0 || dup2(null, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
	std::vector<char*> args;
	for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
	args.push_back(nullptr);
	execvp(args[0], args.data());
	int e = errno;
	ssize_t ignored = write(report, &e, sizeof e);
	(void)ignored;
	_exit(127);
}

// Asks the group to end, and makes it after two seconds: what is left of
// it then could still be making a container when the cleanup runs.
void end_group(pid_t group)
{
	kill(-group, SIGTERM);
	for (int i = 0; kill(-group, 0) == 0; ++i) {
		if (i == 200) kill(-group, SIGKILL);
		waitpid(-group, nullptr, WNOHANG);
		usleep(10000);
	}
}

} // namespace

void watch_signals()
{
	struct sigaction a{};
	a.sa_handler = on_signal;
	sigemptyset(&a.sa_mask);
	for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &a, nullptr);  // no restart: a wait wakes
}

output run(const std::vector<std::string>& argv, bool cleaning_up)
{
	if (caught && !cleaning_up) throw stopped{caught};
	int out[2], err[2], report[2];
	if (pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC) || pipe2(report, O_CLOEXEC)) throw failure(std::string("pipe: ") + strerror(errno));
	pid_t pid = fork();
	if (pid < 0) throw failure(std::string("fork: ") + strerror(errno));
	if (pid == 0) start(argv, out[1], err[1], report[1]);
	close(out[1]), close(err[1]), close(report[1]);
	int exec_error = 0;
	while (read(report[0], &exec_error, sizeof exec_error) < 0 && errno == EINTR) {}
	close(report[0]);
	output o;
	pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
	std::string* into[2] = {&o.out, &o.err};
	for (int open = 2; open;) {
		// an interrupt ends the program's group; what it started may hold
		// the pipes open, so they are read no further
		if (caught && !cleaning_up) {
			end_group(pid);
			break;
		}
		if (poll(fds, 2, -1) < 0) continue;
		for (int i = 0; i < 2; ++i) {
			if (fds[i].fd < 0 || !fds[i].revents) continue;
			char buf[65536];
			ssize_t n = read(fds[i].fd, buf, sizeof buf);
			if (n > 0) into[i]->append(buf, size_t(n));
			else if (n == 0 || errno != EINTR) close(fds[i].fd), fds[i].fd = -1, --open;
		}
	}
	for (pollfd& f : fds)
		if (f.fd >= 0) close(f.fd);
	int status = 0;
	while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
	if (exec_error) throw failure(argv[0] + ": " + strerror(exec_error));
	if (caught && !cleaning_up) throw stopped{caught};
	o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
	return o;
}
