#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <netdb.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <filesystem>
#include <numeric>
#include <regex>
#include "harness.hpp"

// privreport, sigreport and fdreport, each held in its write while /proc
// shows the same process: what they print must be what the kernel shows.
namespace {

using view = std::map<std::string, std::string>;

struct view_case {
	const char* name;
	std::function<void()> setup;     // in the child, from nothing blocked or ignored
	std::vector<std::string> lines;  // among those printed; one ending in a tab starts one
	bool native_only = false;        // qemu-user cannot pass it through
	std::string path{};              // started instead of the probe, untraced
};

std::string proc(int pid, const std::string& what) { return "/proc/" + std::to_string(pid) + "/" + what; }

// Pending for the thread or the process; no trailing space after the groups.
view status_of(int pid)
{
	view v = fields(read_file(proc(pid, "status")));
	char pending[17];
	snprintf(pending, 17, "%016llx", std::stoull(v["SigPnd"], 0, 16) | std::stoull(v["ShdPnd"], 0, 16));
	v["SigPnd"] = pending;
	v["Groups"].pop_back();
	return v;
}

void same_as_status(const view& kernel, const std::string& out, const char* name)
{
	for (auto& [label, value] : fields(out))
		if (value != "[query failed]" && label != "Securebits") {  // /proc has no securebits
			EXPECT_EQ(value, kernel.count(label) ? kernel.at(label) : "not in /proc") << name << ": " << label;
		}
}

// Number to access and target; a scan sees no O_PATH, nothing at or above
// the soft limit, no target.
view descriptors_of(int pid, bool scanned)
{
	std::smatch soft;
	std::string limits = read_file(proc(pid, "limits"));
	std::regex_search(limits, soft, std::regex("open files +([0-9]+)"));
	view v;
	for (auto& e : std::filesystem::directory_iterator(proc(pid, "fd"))) {
		std::string fd = e.path().filename(), target = scanned ? "-" : std::filesystem::read_symlink(e).string();
		int flags = std::stoi(fields(read_file(proc(pid, "fdinfo/" + fd)))["flags"], nullptr, 8);
		const char* access[] = {"r", "w", "rw", "?"};
		if (!scanned || (!(flags & O_PATH) && std::stol(fd) < std::stol(soft[1])))
			v[fd] = (flags & O_PATH ? "path" : access[flags & O_ACCMODE]) + (" " + target);
	}
	return v;
}

void same_as_fd(const view& kernel, const std::string& out, const char* name)
{
	view printed;
	std::regex line("(\\d+)\t[^\t]*\t([^\t]*)\t[^\t]*\t[^\t]*\t(.*)");
	for (std::sregex_iterator m(out.begin(), out.end(), line), end; m != end; ++m) printed[(*m)[1]] = (*m)[2].str() + " " + (*m)[3].str();
	EXPECT_EQ(printed, kernel) << name;
}

// The kernel's own call, which refuses no signal (C libraries keep 32 to 34).
void signal_action(int n, void (*action)(int))
{
	struct { void (*handler)(int); unsigned long flags, restorer, mask; } a{action, 0, 0, 0};
	syscall(SYS_rt_sigaction, n, &a, nullptr, 8);
}

using compare = void (*)(const view&, const std::string&, const char*);

void check(const char* tool, const std::vector<view_case>& cases, std::function<view(int)> look, compare same)
{
	for (auto& c : cases) {
		if (emulated() && c.native_only) continue;
		view kernel;
		run_result r = run({.tool = tool, .argv0 = c.path, .path = c.path, .in_child = [&] {
			uint64_t none = 0;
			syscall(SYS_rt_sigprocmask, SIG_SETMASK, &none, nullptr, 8);
			for (int n = 1; n <= 64; ++n) signal_action(n, SIG_DFL);
			if (c.setup) c.setup();
		}, .while_held = [&](int pid) { kernel = look(pid); }});
		EXPECT_EQ(r.status, 0) << c.name;
		std::string out = "\n" + r.out_text();
		for (auto& l : c.lines)
			EXPECT_TRUE(out.find("\n" + l + (l.back() == '\t' ? "" : "\n")) != out.npos) << c.name << ": no " << l << " in" << out;
		if (!emulated()) same(kernel, r.out_text(), c.name);
	}
}

// To an address of no interface (free binding), a unix path, or "@" and an
// abstract name; streams listen.
int bound(int type, const std::string& where)
{
	addrinfo hints{}, *in = nullptr;
	hints.ai_flags = AI_NUMERICHOST, hints.ai_socktype = type;
	bool local = where[0] == '/' || where[0] == '@';
	sockaddr_un un{AF_UNIX, {}};
	where.copy(un.sun_path, sizeof un.sun_path - 1);
	un.sun_path[0] = where[0] == '@' ? 0 : where[0];
	if (!local && getaddrinfo(where.c_str(), "8080", &hints, &in)) _exit(126);
	int s = socket(local ? AF_UNIX : in->ai_family, type, 0), one = 1;
	setsockopt(s, SOL_IP, IP_FREEBIND, &one, sizeof one);
	if (where[0] == '/') unlink(where.c_str());
	if ((local ? bind(s, (sockaddr*)&un, socklen_t(offsetof(sockaddr_un, sun_path) + where.size()))
		   : bind(s, in->ai_addr, in->ai_addrlen)) || (type == SOCK_STREAM && listen(s, 1)))
		_exit(126);
	return s;
}

} // namespace

TEST(Privreport, EveryValueIsTheKernelsOwn)
{
	if (geteuid() != 0) GTEST_SKIP() << "setting groups and capabilities needs root";
	const std::string zero = "0000000000000000", net = "0000000000000400\tcap_net_bind_service";
	const auto failed = [](const char* label) { return std::string(label) + ":\t[query failed]"; };
	check("privreport", {
		{"as started", nullptr, {"CapInh:\t" + zero, "CapAmb:\t" + zero, "NoNewPrivs:\t0", "Seccomp:\t0\tdisabled"}, true},
		{"no new privileges", [] { prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0); }, {"NoNewPrivs:\t1"}},
		{"a filter that allows all", [] { seccomp_refusing({}); }, {"Seccomp:\t2\tfilter"}, true},
		{"a filter that refuses prctl", [] { seccomp_refusing({__NR_prctl}); }, {failed("CapBnd"), failed("CapAmb"),
			failed("Securebits"), failed("NoNewPrivs"), failed("Seccomp")}, true},
		{"no groups", [] { setgroups(0, nullptr); }, {"Groups:\t"}},
		{"groups, as the kernel sorts them", [] { gid_t g[] = {4294967294u, 27, 0}; setgroups(3, g); }, {"Groups:\t0 27 4294967294"}},
		{"65536 groups", [] { std::vector<gid_t> g(65536); std::iota(g.begin(), g.end(), 0); setgroups(65536, g.data()); }, {}},
		{"not root, with one capability ambient", [] {
			__user_cap_header_struct h{_LINUX_CAPABILITY_VERSION_3, 0};
			__user_cap_data_struct d[2] = {{1 << CAP_NET_BIND_SERVICE, 1 << CAP_NET_BIND_SERVICE, 1 << CAP_NET_BIND_SERVICE}};
			if (prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) || setgroups(0, nullptr) || setresgid(1000, 1000, 1000) ||
			    setresuid(1000, 1000, 1000) || syscall(SYS_capset, &h, d) ||
			    prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_RAISE, CAP_NET_BIND_SERVICE, 0, 0))
				_exit(126);
		}, {"CapInh:\t" + net, "CapPrm:\t" + net, "CapEff:\t" + net, "CapAmb:\t" + net}, false, probe_path("privreport")},
		{"a bounding set of two", [] {
			for (int c = 0; c < 64; ++c) c == CAP_CHOWN || c == CAP_KILL || prctl(PR_CAPBSET_DROP, c, 0, 0, 0);
		}, {"CapBnd:\t0000000000000021\tcap_chown,cap_kill"}},
		{"securebits", [] { prctl(PR_SET_SECUREBITS, 3, 0, 0, 0); }, {"Securebits:\t00000003\tnoroot,noroot_locked"}},
	}, status_of, same_as_status);
}

TEST(Sigreport, EveryMaskIsTheKernelsOwn)
{
	static auto block = [](uint64_t m) { syscall(SYS_rt_sigprocmask, SIG_BLOCK, &m, nullptr, 8); };
	const std::string zero = "0000000000000000";
	check("sigreport", {
		{"nothing blocked or ignored", nullptr, {"SigPnd:\t" + zero, "SigBlk:\t" + zero, "SigIgn:\t" + zero}},
		{"SIGPIPE ignored", [] { signal_action(SIGPIPE, SIG_IGN); }, {"SigIgn:\t0000000000001000\tSIGPIPE"}},
		{"SIGINT and SIGTERM blocked", [] { block(0x4002); }, {"SigBlk:\t0000000000004002\tSIGINT,SIGTERM"}},
		{"what C libraries keep for themselves", [] { block(7ull << 31); signal_action(33, SIG_IGN); signal_action(64, SIG_IGN); },
			{"SigBlk:\t0000000380000000\tSIG32,SIG33,SIG34", "SigIgn:\t8000000100000000\tSIG33,SIG64"}, true},
		{"SIGTERM blocked and sent", [] { block(0x4000); kill(getpid(), SIGTERM); },
			{"SigPnd:\t0000000000004000\tSIGTERM", "SigBlk:\t0000000000004000\tSIGTERM"}},
	}, status_of, same_as_status);
}

TEST(Fdreport, EveryDescriptorIsTheKernelsOwn)
{
	check("fdreport", {
		{"every kind, from 3 up, and 1000", [] {
			close(0), close_range(3, ~0u, 0), open("/dev/null", O_RDONLY);
			bound(SOCK_STREAM, "2001:db8::1:0:0:1"), bound(SOCK_STREAM, "192.0.2.1");
			bound(SOCK_STREAM, "/tmp/fdreport-test.sock"), bound(SOCK_DGRAM, "@fdreport-test");
			int pair[2];
			socketpair(AF_UNIX, SOCK_STREAM, 0, pair), socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0), eventfd(0, 0);
			open("/tmp", O_PATH | O_DIRECTORY), open("/tmp/fdreport-test.log", O_WRONLY | O_APPEND | O_CREAT, 0600);
			dup2(0, 1000);
		}, {"0\tchr\tr\t-\t1:3\t/dev/null", "1\tfifo\tw\t-\t-\t", "2\tsock\trw\t-\tunix seqpacket\t",
			"3\tsock\trw\t-\tinet6 stream listening [2001:db8::1:0:0:1]:8080\t",
			"4\tsock\trw\t-\tinet stream listening 192.0.2.1:8080\t", "5\tsock\trw\t-\tunix stream listening /tmp/fdreport-test.sock\t",
			"6\tsock\trw\t-\tunix dgram @fdreport-test\t", "7\tsock\trw\t-\tunix stream\t", "9\tsock\trw\tnonblock\tinet dgram 0.0.0.0:0\t",
			"10\tanon\trw\t-\t-\tanon_inode:[eventfd]", "11\tdir\tpath\t-\t-\t/tmp",
			"12\tfile\tw\tappend\t-\t/tmp/fdreport-test.log", "1000\tchr\tr\t-\t1:3\t/dev/null"}},
		{"standard input closed", [] { close(0); }, {"1\tfifo\tw\t-\t-\t"}},
	}, [](int pid) { return descriptors_of(pid, false); }, same_as_fd);

	if (geteuid() != 0) GTEST_SKIP() << "a root without /proc needs chroot";
	char root[] = "/tmp/fdreport-root-XXXXXX";
	ASSERT_EQ(system(("cp " + probe_path("fdreport") + " " + mkdtemp(root)).c_str()), 0);
	auto in_root = [dir = std::string(root)](rlim_t soft) {
		return [dir, soft] {
			rlimit r{soft, soft};
			close(0), close_range(3, ~0u, 0), open("/dev/null", O_RDONLY), open("/tmp", O_PATH);
			if (chroot(dir.c_str()) || (soft && setrlimit(RLIMIT_NOFILE, &r))) _exit(126);
		};
	};
	check("fdreport", {
		{"no /proc: the scan", in_root(0), {"1\tfifo\tw\t-\t-\t-", "2\tsock\trw\t-\tunix seqpacket\t-"}, true, "/fdreport"},
		{"no /proc, a soft limit of 1", in_root(1), {"0\tchr\tr\t-\t1:3\t-"}, true, "/fdreport"},
	}, [](int pid) { return descriptors_of(pid, true); }, same_as_fd);
	std::filesystem::remove_all(root);
}
