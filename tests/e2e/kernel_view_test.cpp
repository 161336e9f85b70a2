#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <linux/securebits.h>
#include <netdb.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/personality.h>
#include <sys/prctl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <optional>
#include <regex>
#include <sstream>
#include "harness.hpp"

// privreport, sigreport and fdreport, each held in its write while /proc
// shows the same process: what they print must be what the kernel shows.
namespace {

using view = std::map<std::string, std::string>;
constexpr int lsm_get_self_attr = 459;

struct view_case {
	const char* name;
	std::function<void()> setup;     // in the child, from nothing blocked or ignored
	std::vector<std::string> lines;  // among those printed; one ending in a tab starts one
	bool native_only = false;        // the host's own probes only: qemu-user cannot pass it
	                                 // through, or a filter names the host's call numbers
	std::string path{};              // started instead of the probe, untraced
	int clone_flags = 0;             // namespaces of its own
	std::vector<std::string> args{}; // the probe's operands
};

std::string proc(int pid, const std::string& what) { return "/proc/" + std::to_string(pid) + "/" + what; }

// Names as the kernel's headers number them: each constant beside its own spelling.
#define KERNEL_NAMES(lower, ...) spelled(lower, {__VA_ARGS__}, #__VA_ARGS__)
std::map<uint64_t, std::string> spelled(bool lower, const std::vector<int>& numbers, std::string names)
{
	std::map<uint64_t, std::string> m;
	std::replace(names.begin(), names.end(), ',', ' ');
	if (lower) std::transform(names.begin(), names.end(), names.begin(), ::tolower);
	std::istringstream words(names);
	for (int n : numbers) words >> m[n];
	return m;
}
const auto capability_names = KERNEL_NAMES(true, CAP_CHOWN, CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER, CAP_FSETID, CAP_KILL,
	CAP_SETGID, CAP_SETUID, CAP_SETPCAP, CAP_LINUX_IMMUTABLE, CAP_NET_BIND_SERVICE, CAP_NET_BROADCAST, CAP_NET_ADMIN, CAP_NET_RAW,
	CAP_IPC_LOCK, CAP_IPC_OWNER, CAP_SYS_MODULE, CAP_SYS_RAWIO, CAP_SYS_CHROOT, CAP_SYS_PTRACE, CAP_SYS_PACCT, CAP_SYS_ADMIN,
	CAP_SYS_BOOT, CAP_SYS_NICE, CAP_SYS_RESOURCE, CAP_SYS_TIME, CAP_SYS_TTY_CONFIG, CAP_MKNOD, CAP_LEASE, CAP_AUDIT_WRITE,
	CAP_AUDIT_CONTROL, CAP_SETFCAP, CAP_MAC_OVERRIDE, CAP_MAC_ADMIN, CAP_SYSLOG, CAP_WAKE_ALARM, CAP_BLOCK_SUSPEND, CAP_AUDIT_READ,
	CAP_PERFMON, CAP_BPF, CAP_CHECKPOINT_RESTORE);
const auto signal_names = KERNEL_NAMES(false, SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGKILL, SIGUSR1, SIGSEGV,
	SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGCHLD, SIGCONT, SIGSTOP, SIGTSTP, SIGTTIN, SIGTTOU, SIGURG, SIGXCPU, SIGXFSZ,
	SIGVTALRM, SIGPROF, SIGWINCH, SIGIO, SIGPWR, SIGSYS);

// The mask and, unless it is 0, a tab and the names of its bits, bit 0
// standing for the number first; one without a name is the prefix and its number.
std::string with_names(const std::string& hex, const std::map<uint64_t, std::string>& names, uint64_t first, const char* prefix)
{
	std::string value = hex, comma = "\t";
	for (uint64_t mask = std::stoull(hex, nullptr, 16), n = first; mask; mask >>= 1, ++n)
		if (mask & 1) value += std::exchange(comma, ",") + (names.count(n) ? names.at(n) : prefix + std::to_string(n));
	return value;
}

// From the module's own file, or the one of whichever module the kernel
// chose, as the process's own mounts show them.
std::string label_of(int pid)
{
	char text[4096];
	for (auto [file, module] : {std::pair{"attr/apparmor/current", "apparmor\t"}, {"attr/current", "-\t"}}) {
		int fd = open((proc(pid, "root") + proc(pid, file)).c_str(), O_RDONLY);
		ssize_t n = fd < 0 ? -1 : read(fd, text, sizeof text);
		if (fd >= 0) close(fd);
		for (std::string label(text, std::max(n, ssize_t(0))); n >= 0; label.pop_back())
			if (label.empty() || (label.back() != '\n' && label.back() != 0)) return module + escaped(label);
	}
	return errno == EINVAL ? "[not provided on this platform]" : "[query failed]";
}

// Whole values, names included; pending for the thread or the process; no
// trailing space after the groups.
view status_of(int pid)
{
	view v = fields(read_file(proc(pid, "status")));
	char pending[17];
	snprintf(pending, 17, "%016llx", std::stoull(v["SigPnd"], 0, 16) | std::stoull(v["ShdPnd"], 0, 16));
	v["SigPnd"] = pending;
	for (auto label : {"CapInh", "CapPrm", "CapEff", "CapBnd", "CapAmb"}) v[label] = with_names(v[label], capability_names, 0, "cap_");
	for (auto label : {"SigPnd", "SigBlk", "SigIgn"}) v[label] = with_names(v[label], signal_names, 1, "SIG");
	v["Seccomp"] += std::vector<std::string>{"\tdisabled", "\tstrict", "\tfilter"}.at(std::stoi(v["Seccomp"]));
	v["Groups"].pop_back();
	v["Label"] = label_of(pid);
	return v;
}

void same_as_status(const view& kernel, const std::string& out, const char* name)
{
	for (auto& [label, value] : fields(out))
		if (label != "Securebits") {  // /proc has no securebits
			EXPECT_EQ(value, kernel.count(label) ? kernel.at(label) : "not in /proc") << name << ": " << label;
		}
}

// Each socket's detail by inode, from the tables of its network namespace,
// whose addresses are in words of the machine's order; a unix name may hold
// a newline, so an entry there ends where the next starts.
std::map<std::string, std::string> sockets_of(int pid)
{
	std::map<std::string, std::string> s;
	const std::regex inet(": ([0-9A-F]+):([0-9A-F]{4}) \\S+ (\\S+)(?: +\\S+){5} +(\\d+)"),
		unix("\n[0-9a-f]+: \\S+ \\S+ (\\S+) 000(\\d) \\S+ +(\\d+)(?: (@?)([\\s\\S]*?))?(?=\n[0-9a-f]+: |\n$)");
	for (auto [table, kind] : {std::pair{"tcp", "inet stream"}, {"tcp6", "inet6 stream"}, {"udp", "inet dgram"}}) {
		std::string t = read_file(proc(pid, "net/") + table), text(INET6_ADDRSTRLEN, 0);
		for (std::sregex_iterator m(t.begin(), t.end(), inet), end; m != end; ++m) {
			uint32_t a[4], v4 = (*m)[1].length() == 8;
			for (int i = 0; i < (v4 ? 1 : 4); ++i) a[i] = uint32_t(std::stoul((*m)[1].str().substr(8 * i, 8), nullptr, 16));
			std::string at = inet_ntop(v4 ? AF_INET : AF_INET6, a, text.data(), INET6_ADDRSTRLEN), port = std::to_string(std::stoul((*m)[2], nullptr, 16));
			s[(*m)[4]] = kind + std::string((*m)[3] == "0A" ? " listening " : " ") + (v4 ? at : "[" + at + "]") + ":" + port;
		}
	}
	std::string u = read_file(proc(pid, "net/unix"));
	const char* types[] = {"?", "stream", "dgram", "raw", "rdm", "seqpacket"};
	for (std::sregex_iterator m(u.begin(), u.end(), unix), end; m != end; ++m)
		s[(*m)[3]] = "unix " + std::string(types[std::stoi((*m)[2])]) + (std::stoul((*m)[1], nullptr, 16) & 0x10000 ? " listening" : "") +
			     ((*m)[5].length() ? " " + (*m)[4].str() + escaped((*m)[5]) : "");
	return s;
}

// Every field as the kernel shows it: the type and device through the
// link, the flags of fdinfo, sockets by inode; a scan sees no O_PATH,
// nothing at or above the soft limit, no target.
view descriptors_of(int pid, bool scanned)
{
	std::smatch soft;
	std::string limits = read_file(proc(pid, "limits"));
	std::regex_search(limits, soft, std::regex("open files +([0-9]+)"));
	const std::map<int, std::string> kinds = {{S_IFREG, "file"}, {S_IFDIR, "dir"}, {S_IFCHR, "chr"}, {S_IFBLK, "blk"}, {S_IFIFO, "fifo"},
		{S_IFSOCK, "sock"}, {S_IFLNK, "link"}, {0, "anon"}};
	auto sockets = sockets_of(pid);
	view v;
	for (auto& e : std::filesystem::directory_iterator(proc(pid, "fd"))) {
		std::string fd = e.path().filename(), target = scanned ? "-" : escaped(std::filesystem::read_symlink(e).string());
		int f = std::stoi(fields(read_file(proc(pid, "fdinfo/" + fd)))["flags"], nullptr, 8);
		struct stat st;
		const char* access[] = {"r", "w", "rw", "?"};
		std::string flags = std::string(f & O_APPEND ? ",append" : "") + (f & O_NONBLOCK ? ",nonblock" : "") +
			((f & O_SYNC) == O_SYNC ? ",sync" : f & O_DSYNC ? ",dsync" : "") + (f & O_DIRECT ? ",direct" : "") + (f & O_NOATIME ? ",noatime" : "");
		std::string detail = stat(e.path().c_str(), &st) ? "?" : S_ISSOCK(st.st_mode) ? sockets[std::to_string(st.st_ino)]
			: S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev)) : "-";
		if (!scanned || (!(f & O_PATH) && std::stol(fd) < std::stol(soft[1])))
			v[fd] = kinds.at(st.st_mode & S_IFMT) + "\t" + (f & O_PATH ? "path" : access[f & O_ACCMODE]) + "\t" +
				(flags.empty() ? "-" : flags.substr(1)) + "\t" + detail + "\t" + target;
	}
	return v;
}

// As a list: a line twice is a line too many.
void same_as_fd(const view& kernel, const std::string& out, const char* name)
{
	view printed;
	std::istringstream lines(out);
	size_t n = 0;
	for (std::string l; std::getline(lines, l);)
		if (!l.empty()) printed[l.substr(0, l.find('\t'))] = l.substr(l.find('\t') + 1), ++n;
	EXPECT_EQ(n, printed.size()) << name << ": a descriptor listed twice";
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
		if (getenv("PROBE_BIN") && c.native_only) continue;
		view kernel;
		run_result r = run({.tool = tool, .args = c.args, .argv0 = c.path, .path = c.path, .clone_flags = c.clone_flags, .in_child = [&] {
			uint64_t none = 0;
			syscall(SYS_rt_sigprocmask, SIG_SETMASK, &none, nullptr, 8);
			for (int n = 1; n <= 64; ++n) signal_action(n, SIG_DFL);
			cpu_set_t every;
			memset(&every, 0xff, sizeof every), setpriority(PRIO_PROCESS, 0, 0), sched_setaffinity(0, sizeof every, &every);
			if (c.setup) c.setup();
		}, .while_held = [&](int pid) { kernel = look(pid); }});
		EXPECT_EQ(r.status, 0) << c.name;
		std::string out = "\n" + r.out_text();
		for (auto& l : c.lines)
			EXPECT_TRUE(out.find("\n" + l + (l.back() == '\t' ? "" : "\n")) != out.npos) << c.name << ": no " << l << " in" << out;
		if (emulated()) continue;
		// a failure the row expects is checked there, where the view has its own
		// line for it; every other line against the kernel
		for (auto& l : c.lines)
			if (size_t at = out.find("\n" + l); at != out.npos && (l.find("[query failed]") != l.npos || l.find("?\t") != l.npos) &&
			    kernel.erase(l.substr(0, l.find_first_of(":\t"))))
				out.erase(at, out.find('\n', at + 1) - at);
		same(kernel, out, c.name);
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

void private_mounts()
{
	if (unshare(CLONE_NEWNS) || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr)) _exit(126);
}

// In private mounts, from bound over at.
void bind_over(const std::string& from, const std::string& at)
{
	private_mounts();
	if (mount(from.c_str(), at.c_str(), nullptr, MS_BIND, nullptr)) _exit(126);
}

} // namespace

TEST(Privreport, EveryValueIsTheKernelsOwn)
{
	if (geteuid() != 0) GTEST_SKIP() << "setting groups and capabilities needs root";
	const std::string zero = "0000000000000000", net = "0000000000000400\tcap_net_bind_service";
	const std::string unlabelled = "Label:\t[not provided on this platform]";
	const auto failed = [](const char* label) { return std::string(label) + ":\t[query failed]"; };
	static auto as_1000 = [] { return setgroups(0, nullptr) || setresgid(1000, 1000, 1000) || setresuid(1000, 1000, 1000); };
	// permitted by the file, effective by nothing
	const std::string raw = reachable_copy("privreport");
	vfs_cap_data file_caps{VFS_CAP_REVISION_2, {{1 << CAP_NET_RAW, 0}, {0, 0}}};
	ASSERT_EQ(setxattr(raw.c_str(), "security.capability", &file_caps, XATTR_CAPS_SZ_2, 0), 0);
	// an AppArmor label file, of a name that would forge a line, to bind over the process's own
	static const std::string attr = raw.substr(0, raw.rfind('/'));
	std::filesystem::create_directory(attr + "/apparmor"), std::ofstream(attr + "/apparmor/current") << "x\nLabel:\tforged (enforce)\n";
	check("privreport", {
		{"as started", nullptr, {"CapInh:\t" + zero, "CapAmb:\t" + zero, "NoNewPrivs:\t0", "Seccomp:\t0\tdisabled"}, true},
		// no module labels processes on the machines the tests run on; the files say so too
		{"a filter that refuses the label's call", [] { seccomp_refusing({lsm_get_self_attr}); }, {unlabelled}},
		{"a filter that has no label's call", [] { seccomp_refusing({lsm_get_self_attr}, ENOSYS); }, {unlabelled}},
		{"a filter that refuses it and openat", [] { seccomp_refusing({lsm_get_self_attr, __NR_openat}); }, {failed("Label")}, true,
			probe_path("privreport")},
		{"the AppArmor file, the call refused", [] { bind_over(attr, "/proc/self/attr"), seccomp_refusing({lsm_get_self_attr}); },
			{"Label:\tapparmor\tx\\012Label:\\011forged (enforce)"}},
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
			if (prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) || as_1000() || syscall(SYS_capset, &h, d) ||
			    prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_RAISE, CAP_NET_BIND_SERVICE, 0, 0))
				_exit(126);
		}, {"CapInh:\t" + net, "CapPrm:\t" + net, "CapEff:\t" + net, "CapAmb:\t" + net}, false, reachable_copy("privreport")},
		{"not root, a capability the file permits", [] { if (as_1000()) _exit(126); },
			{"CapPrm:\t0000000000002000\tcap_net_raw", "CapEff:\t" + zero}, true, raw},
		{"a bounding set of two", [] {
			for (int c = 0; c < 64; ++c) c == CAP_CHOWN || c == CAP_KILL || prctl(PR_CAPBSET_DROP, c, 0, 0, 0);
		}, {"CapBnd:\t0000000000000021\tcap_chown,cap_kill"}},
		{"securebits", [] { prctl(PR_SET_SECUREBITS, SECBIT_NOROOT | SECBIT_NOROOT_LOCKED | SECBIT_KEEP_CAPS_LOCKED, 0, 0, 0); },
			{"Securebits:\t00000023\tnoroot,noroot_locked,keep_caps_locked"}},
	}, status_of, same_as_status);
}

const char* const namespace_kinds[] = {"cgroup", "ipc", "mnt", "net", "pid", "time", "user", "uts"};

// The kernel gives no new user namespace to a process in a chroot, such as
// the Debian root that CI's second pass runs in, whose /sys is not the host's.
static bool in_chroot()
{
	pid_t child = fork();
	if (child == 0) _exit(unshare(CLONE_NEWUSER) ? 1 : 0);
	int status = 1;
	return waitpid(child, &status, 0) < 0 || status != 0;
}

// Initial where it shares the tests' own, which the host's row shows to be
// the initial ones; the maps' numbers one space apart; the names as the
// process's own UTS namespace gives them; paths from its own root.
view where_of(int pid)
{
	view v;
	for (auto kind : namespace_kinds) {
		auto number = [&](int p) { std::string t = std::filesystem::read_symlink(proc(p, "ns/") + kind); return t.substr(t.find('[') + 1, t.size() - t.find('[') - 2); };
		v["ns/" + std::string(kind)] = number(pid) + (number(pid) == number(getpid()) ? "\tinitial" : "");
	}
	for (auto [label, file] : {std::pair{"UidMap", "uid_map"}, {"GidMap", "gid_map"}}) {
		std::istringstream lines(read_file(proc(pid, file)));
		for (std::string a, b, c; lines >> a >> b >> c;) v[label] += (v[label].empty() ? "" : "\n") + a + " " + b + " " + c;
		if (v[label].empty()) v[label] = "-";
	}
	int own = open("/proc/self/ns/uts", O_RDONLY), theirs = open(proc(pid, "ns/uts").c_str(), O_RDONLY);
	utsname u;
	setns(theirs, CLONE_NEWUTS), uname(&u), setns(own, CLONE_NEWUTS), close(own), close(theirs);
	v["Hostname"] = escaped(u.nodename), v["Domainname"] = escaped(u.domainname);
	std::string root = std::filesystem::read_symlink(proc(pid, "root")), cwd = std::filesystem::read_symlink(proc(pid, "cwd"));
	v["Cwd"] = escaped(root == "/" ? cwd : cwd.substr(root.size()) + (cwd == root ? "/" : ""));
	struct statfs fs;
	v["Root"] = statfs(proc(pid, "root").c_str(), &fs) ? "?" : fs.f_flags & ST_RDONLY ? "ro" : "rw";
	std::istringstream offsets(read_file(proc(pid, "timens_offsets")));
	for (std::string clock, s, ns; offsets >> clock >> s >> ns;) v["TimeOffset"] += (v["TimeOffset"].empty() ? "" : "\n") + clock + " " + s + " " + ns;
	return v;
}

void same_as_view(const view& kernel, const std::string& out, const char* name)
{
	EXPECT_EQ(fields(out), kernel) << name;
}

TEST(Sigreport, EveryMaskIsTheKernelsOwn)
{
	static auto block = [](uint64_t m) { syscall(SYS_rt_sigprocmask, SIG_BLOCK, &m, nullptr, 8); };
	const std::string zero = "0000000000000000";
	check("sigreport", {
		{"nothing blocked or ignored", nullptr, {"SigPnd:\t" + zero, "SigBlk:\t" + zero, "SigIgn:\t" + zero}},
		{"SIGPIPE ignored", [] { signal_action(SIGPIPE, SIG_IGN); }, {"SigIgn:\t0000000000001000\tSIGPIPE"}},
		// qemu numbers signals as the guest does: SIGUSR1 is 16 on mips
		{"SIGINT, SIGUSR1 and SIGTERM blocked", [] { block(0x4202); }, {"SigBlk:\t0000000000004202\tSIGINT,SIGUSR1,SIGTERM"}, true},
		{"a filter that refuses rt_sigaction", [] { seccomp_refusing({__NR_rt_sigaction}); }, {"SigIgn:\t[query failed]"}, true,
			probe_path("sigreport")},
		{"a filter that refuses it for SIGHUP", [] { seccomp_refusing({__NR_rt_sigaction}, EPERM, SIGHUP); }, {"SigIgn:\t[query failed]"}, true,
			probe_path("sigreport")},
		{"what C libraries keep for themselves", [] { block(7ull << 31); signal_action(33, SIG_IGN); signal_action(64, SIG_IGN); },
			{"SigBlk:\t0000000380000000\tSIG32,SIG33,SIG34", "SigIgn:\t8000000100000000\tSIG33,SIG64"}, true},
		{"SIGTERM blocked and sent", [] { block(0x4000); kill(getpid(), SIGTERM); },
			{"SigPnd:\t0000000000004000\tSIGTERM", "SigBlk:\t0000000000004000\tSIGTERM"}},
	}, status_of, same_as_status);
}

TEST(Fdreport, EveryDescriptorIsTheKernelsOwn)
{
	// 0 on /dev/null and nothing above 2, then the rest of the setup
	static auto plain = [](void (*then)()) { return [then] { close(0), close_range(3, ~0u, 0), open("/dev/null", O_RDONLY), then(); }; };
	static auto limit = [](rlim_t soft, bool hard_too) {
		if (rlimit r; getrlimit(RLIMIT_NOFILE, &r) || (r = {soft, hard_too ? soft : r.rlim_max}, setrlimit(RLIMIT_NOFILE, &r))) _exit(126); };
	const std::string fdreport = probe_path("fdreport"), null0 = "0\tchr\tr\t-\t1:3\t/dev/null";
	check("fdreport", {
		{"every kind, from 3 up, and 1000", [] {
			close(0), close_range(3, ~0u, 0), open("/dev/null", O_RDONLY);
			bound(SOCK_STREAM, "2001:db8::1:0:0:1"), bound(SOCK_STREAM, "192.0.2.1");
			bound(SOCK_STREAM, "/tmp/fdreport-test.sock"), bound(SOCK_DGRAM, "@fdreport-test");
			int pair[2];
			socketpair(AF_UNIX, SOCK_STREAM, 0, pair), fcntl(bound(SOCK_DGRAM, "192.0.2.3"), F_SETFL, O_NONBLOCK), eventfd(0, 0);
			open("/tmp", O_PATH | O_DIRECTORY), open("/tmp/fdreport-test.log", O_WRONLY | O_APPEND | O_CREAT, 0600);
			open("/tmp/fdreport-test.log", O_WRONLY | O_SYNC), bound(SOCK_STREAM, "2001:db8:0:1:1:1:1:1");
			bound(SOCK_STREAM, "::ffff:192.0.2.2"), bound(SOCK_DGRAM, "@a\tb\nc\\d");
			mknod("/tmp/fdreport-test.blk", S_IFBLK | 0600, makedev(7, 0)), open("/tmp/fdreport-test.blk", O_PATH);
			open("/tmp/fdreport-test.log", O_WRONLY | O_DSYNC), bound(SOCK_DGRAM, "@x y\x7fz"), open("/tmp/fdreport-test\nx", O_RDONLY | O_CREAT, 0600);
			dup2(0, 1000);
		}, {"0\tchr\tr\t-\t1:3\t/dev/null", "1\tfifo\tw\t-\t-\t", "2\tsock\trw\t-\tunix seqpacket\t",
			"3\tsock\trw\t-\tinet6 stream listening [2001:db8::1:0:0:1]:8080\t",
			"4\tsock\trw\t-\tinet stream listening 192.0.2.1:8080\t", "5\tsock\trw\t-\tunix stream listening /tmp/fdreport-test.sock\t",
			"6\tsock\trw\t-\tunix dgram @fdreport-test\t", "7\tsock\trw\t-\tunix stream\t", "9\tsock\trw\tnonblock\tinet dgram 192.0.2.3:8080\t",
			"10\tanon\trw\t-\t-\tanon_inode:[eventfd]", "11\tdir\tpath\t-\t-\t/tmp",
			"12\tfile\tw\tappend\t-\t/tmp/fdreport-test.log", "13\tfile\tw\tsync\t-\t/tmp/fdreport-test.log",
			"14\tsock\trw\t-\tinet6 stream listening [2001:db8:0:1:1:1:1:1]:8080\t", "15\tsock\trw\t-\tinet6 stream listening [::ffff:192.0.2.2]:8080\t",
			"16\tsock\trw\t-\tunix dgram @a\\011b\\012c\\134d\t", "17\tblk\tpath\t-\t7:0\t/tmp/fdreport-test.blk",
			"18\tfile\tw\tdsync\t-\t/tmp/fdreport-test.log", "19\tsock\trw\t-\tunix dgram @x y\\177z\t", "20\tfile\tr\t-\t-\t/tmp/fdreport-test\\012x",
			"1000\tchr\tr\t-\t1:3\t/dev/null"}},
		{"standard input closed", [] { close(0); }, {"1\tfifo\tw\t-\t-\t"}},
		{"a full table: 7 above a soft limit of 3", plain([] { dup2(0, 7), limit(3, false); }), {"7\tchr\tr\t-\t1:3\t/dev/null"}, true, fdreport},
		{"a full table: a soft limit of 0", plain([] { limit(0, false); }), {null0}, true, fdreport},
		{"a full table: soft limit and hard one 3", plain([] { limit(3, true); }), {null0}, true, fdreport},
		{"a filter that refuses getdents64", plain([] { seccomp_refusing({__NR_getdents64}); }), {null0}, true, fdreport},
		{"a filter that refuses fcntl", plain([] { seccomp_refusing({__NR_fcntl}); }),
			{"0\tchr\t?\t?\t1:3\t/dev/null", "1\tfifo\t?\t?\t-\t", "2\tsock\t?\t?\tunix seqpacket\t"}, true, fdreport},
		{"a filter that refuses getsockname", plain([] { bound(SOCK_STREAM, "192.0.2.1"), seccomp_refusing({__NR_getsockname}); }),
			{"2\tsock\trw\t-\tunix seqpacket ?\t", "3\tsock\trw\t-\tinet stream listening ?\t"}, true, fdreport},
		{"a filter that refuses getsockopt", plain([] { seccomp_refusing({__NR_getsockopt}); }), {"2\tsock\trw\t-\t?\t"}, true, fdreport},
	}, [](int pid) { return descriptors_of(pid, false); }, same_as_fd);

	if (geteuid() != 0) GTEST_SKIP() << "a root without /proc needs chroot";
	std::string root = reachable_copy("fdreport");
	auto in_root = [dir = root.substr(0, root.rfind('/'))](rlim_t soft) {
		return [dir, soft] {
			rlimit r{soft, soft};
			close(0), close_range(3, ~0u, 0), open("/dev/null", O_RDONLY), open("/tmp", O_PATH), dup2(0, 1023);
			if (chroot(dir.c_str()) || setrlimit(RLIMIT_NOFILE, &r)) _exit(126);
		};
	};
	check("fdreport", {
		{"no /proc: the scan", in_root(2048), {"1\tfifo\tw\t-\t-\t-", "2\tsock\trw\t-\tunix seqpacket\t-", "1023\tchr\tr\t-\t1:3\t-"},
			true, "/fdreport"},
		{"no /proc, a soft limit of 1", in_root(1), {"0\tchr\tr\t-\t1:3\t-"}, true, "/fdreport"},
	}, [](int pid) { return descriptors_of(pid, true); }, same_as_fd);
}

TEST(Nsreport, EveryLineIsTheKernelsOwn)
{
	if (geteuid() != 0) GTEST_SKIP() << "new namespaces need root";
	if (in_chroot()) GTEST_SKIP() << "new namespaces need the host's own root";
	const std::string copy = reachable_copy("nsreport"), dir = copy.substr(0, copy.rfind('/'));
	// a helper outside writes the maps, as only a process there may write more than one line
	static auto mapped = [](std::string map) { return [map] {
		int go[2], status = 1;
		pid_t self = getpid(), helper = pipe2(go, O_CLOEXEC) ? -1 : fork();
		if (helper == 0) {
			if (close(go[1]) || read(go[0], &status, 1) != 1) _exit(1);  // until the namespace is there
			for (auto file : {"uid_map", "gid_map"}) std::ofstream(proc(self, file)) << map;
			_exit(0);
		}
		if (helper < 0 || unshare(CLONE_NEWUSER) || write(go[1], "", 1) != 1 || waitpid(helper, &status, 0) < 0 || status) _exit(126);
	}; };
	static auto in_dir = [](std::string path, bool removed) { return [path, removed] {
		if ((mkdir(path.c_str(), 0700) && errno != EEXIST) || chdir(path.c_str()) || (removed && rmdir(path.c_str()))) _exit(126); }; };
	std::vector<std::string> lost;
	for (auto kind : namespace_kinds) lost.push_back("ns/" + std::string(kind) + ":\t[query failed]");
	lost.insert(lost.end(), {"UidMap:\t[query failed]", "GidMap:\t[query failed]", "Cwd:\t/", "Root:\tro", "TimeOffset:\t[query failed]"});
	const std::string h64(64, 'h');
	mkfifo("/tmp/nsreport-fifo", 0600);
	check("nsreport", {
		{"the host's", nullptr, {"ns/pid:\t4026531836\tinitial", "ns/user:\t4026531837\tinitial", "UidMap:\t0 0 4294967295"}},
		{"own namespaces of seven kinds, a 64-byte host name", [&h64] {
			if (unshare(CLONE_NEWTIME) || sethostname(h64.data(), 64) || setdomainname("example.org", 11)) _exit(126); },
			{"Hostname:\t" + h64, "Domainname:\texample.org", "ns/user:\t4026531837\tinitial"}, true, copy,
			CLONE_NEWPID | CLONE_NEWUTS | CLONE_NEWIPC | CLONE_NEWNET | CLONE_NEWNS | CLONE_NEWCGROUP},
		{"a user namespace, nothing mapped", nullptr, {"UidMap:\t-", "GidMap:\t-"}, true, copy, CLONE_NEWUSER},
		{"a user namespace, one line mapped", mapped("0 1000 1"), {"UidMap:\t0 1000 1", "GidMap:\t0 1000 1"}, true, copy},
		{"a user namespace, three lines", mapped("0 1000 1\n1 100000 65536\n4000000000 200000 10\n"),
			{"UidMap:\t0 1000 1", "UidMap:\t1 100000 65536", "UidMap:\t4000000000 200000 10"}, true, copy},
		{"a space, a tab and a newline", in_dir("/tmp/ns report\tx\ny", false), {"Cwd:\t/tmp/ns report\\011x\\012y"}},
		{"clocks offset in a time namespace", [] {
			if (unshare(CLONE_NEWTIME) || !(std::ofstream("/proc/self/timens_offsets") << "monotonic 3600 0\nboottime 86400 0\n")) _exit(126); },
			{"TimeOffset:\tmonotonic 3600 0", "TimeOffset:\tboottime 86400 0"}, true, copy},
		{"a host name that would forge a line", [] { if (sethostname("a\nRoot:\tro", 10)) _exit(126); },
			{"Hostname:\ta\\012Root:\\011ro", "Root:\trw"}, true, copy, CLONE_NEWUTS},
		{"descriptor 0 closed", [] { close(0); }, {}, false, probe_path("nsreport")},
		{"a FIFO for a map, its writer silent", [] { alarm(20), bind_over("/tmp/nsreport-fifo", "/proc/self/uid_map"), open("/proc/self/uid_map", O_RDWR); },
			{"UidMap:\t[query failed]"}, false, probe_path("nsreport")},  // strace would take the alarm away
		{"a removed working directory", in_dir("/tmp/nsreport-removed", true), {"Cwd:\t[query failed]"}},
		{"a read-only root without /proc", [dir] {
			private_mounts();
			if (mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) ||
			    mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) || chroot(dir.c_str()) || chdir("/"))
				_exit(126);
		}, lost, true, "/nsreport"},
	}, where_of, same_as_view);
	rmdir("/tmp/ns report\tx\ny"), unlink("/tmp/nsreport-fifo");
}

// A file's text, or nothing; a path longer than the kernel takes goes
// through a folder of its first part.
std::optional<std::string> text_of(std::string path)
{
	int dir = path.size() < 4096 ? -1 : open(path.substr(0, path.find('/', 2048)).c_str(), O_PATH);
	std::ifstream f(dir < 0 ? path : "/proc/self/fd/" + std::to_string(dir) + path.substr(path.find('/', 2048)));
	std::optional<std::string> text = f ? std::optional(std::string(std::istreambuf_iterator<char>(f), {})) : std::nullopt;
	return close(dir), text;
}

// The whole report as the kernel shows the process, in order: limits as
// /proc lists them, the scheduling of /proc/PID/stat, the reset flag and
// the I/O priority as the kernel answers for it; through its own root, its
// control groups and each limit file in its group's folder or else in the
// controller's own place.
view resources_of(int pid)
{
	std::ostringstream r;
	std::istringstream limits(read_file(proc(pid, "limits")));
	const char* names[] = {"CPU", "FSIZE", "DATA", "STACK", "CORE", "RSS", "NPROC", "NOFILE", "MEMLOCK", "AS", "LOCKS", "SIGPENDING",
		"MSGQUEUE", "NICE", "RTPRIO", "RTTIME"}, **name = names;
	std::smatch m;
	for (std::string line; std::getline(limits, line);)
		if (std::regex_search(line, m, std::regex("  +(\\S+) +(\\S+)( +\\S+)? *$")) && line.rfind("Limit", 0))
			r << "RLIMIT_" << *name++ << ":\t" << m[1] << "\t" << m[2] << "\n";
	std::istringstream stat(read_file(proc(pid, "stat")).substr(read_file(proc(pid, "stat")).rfind(") ") + 2));
	std::vector<std::string> f{"", "", ""};
	for (std::string w; stat >> w;) f.push_back(w);
	const char* policies[] = {"other", "fifo", "rr", "batch", "4", "idle", "deadline"}, *classes[] = {"none", "rt", "be", "idle"};
	long io = syscall(SYS_ioprio_get, 1, pid), hint = io >> 3 & 0x3ff;
	r << "Cpus:\t" << fields(read_file(proc(pid, "status")))["Cpus_allowed_list"] << "\nPolicy:\t" << policies[std::stoi(f[41])]
	  << (syscall(SYS_sched_getscheduler, pid) & SCHED_RESET_ON_FORK ? ",reset_on_fork\t" : "\t") << f[40] << "\nNice:\t" << f[19]
	  << "\nIOPriority:\t" << classes[io >> 13] << "\t" << (io & 7) << (hint ? "\thint " + std::to_string(hint) : "") << "\n";
	const std::string root = proc(pid, "root");
	auto chomp = [](std::string t) { return t.empty() || t.back() != '\n' ? t : t.substr(0, t.size() - 1); };
	auto oom = text_of(root + proc(pid, "oom_score_adj")), groups = text_of(root + proc(pid, "cgroup"));
	r << "OOMScoreAdj:\t" << (oom ? chomp(*oom) : "[query failed]") << "\n";
	if (!groups) return {{"report", r.str() + "Cgroup:\t[query failed]\n"}};
	std::map<std::string, std::string> path;  // controller to group
	std::istringstream lines(*groups);
	for (std::string l; std::getline(lines, l);) {
		r << "Cgroup:\t" << escaped(l) << "\n";
		size_t first = l.find(':'), second = l.find(':', first + 1);
		std::istringstream list(l.substr(first + 1, second - first - 1) + ",");
		for (std::string c; std::getline(list, c, ',');) path[c] = l.substr(second + 1);
	}
	bool unified = std::count(groups->begin(), groups->end(), '\n') == 1 && groups->rfind("0::", 0) == 0;
	for (std::string file : unified ? std::vector<std::string>{"memory.max", "memory.high", "memory.low", "memory.swap.max", "pids.max", "cpu.max",
		"cpu.weight", "cpuset.cpus.effective"} : std::vector<std::string>{"memory/memory.limit_in_bytes", "memory/memory.soft_limit_in_bytes",
		"memory/memory.memsw.limit_in_bytes", "pids/pids.max", "cpu/cpu.cfs_quota_us", "cpu/cpu.cfs_period_us", "cpu/cpu.shares", "cpuset/cpuset.effective_cpus"}) {
		std::string controller = unified ? "" : file.substr(0, file.find('/')), place = root + "/sys/fs/cgroup/" + (unified ? "" : controller + "/");
		file.erase(0, controller.size() + !unified);
		auto text = path[controller].size() > 1 ? text_of(place + path[controller].substr(1) + "/" + file) : std::nullopt;
		if (!text) text = text_of(place + file);
		r << file << ":\t" << (!text ? "-" : text->size() < 4096 ? chomp(*text) : "[query failed]") << "\n";
	}
	return {{"report", r.str()}};
}

TEST(Resreport, EveryLineIsTheKernelsOwn)
{
	if (geteuid() != 0) GTEST_SKIP() << "priorities, groups and roots need root";
	if (in_chroot()) GTEST_SKIP() << "control groups need the host's own root and /sys";
	static auto limit = [](int id, rlim_t soft, rlim_t hard) { rlimit r{soft, hard}; if (setrlimit(id, &r)) _exit(126); };
	static auto cpus = [](std::vector<int> list) { return [list] {
		cpu_set_t set;
		CPU_ZERO(&set);
		for (int c : list) CPU_SET(c, &set);
		if (sched_setaffinity(0, sizeof set, &set)) _exit(126); }; };
	static auto policy = [](int p, int priority) { return [p, priority] { if (syscall(SYS_sched_setscheduler, 0, p, &priority)) _exit(126); }; };
	static auto io = [](int value) { return [value] { if (syscall(SYS_ioprio_set, 1, 0, value)) _exit(126); }; };
	static auto write_to = [](std::string file, std::string text) { return !(std::ofstream(file) << text); };
	static auto oom = [](const char* v) { return [v] { if (write_to("/proc/self/oom_score_adj", v)) _exit(126); }; };
	// a group of the test's own under each controller, removed at the end
	const std::string group = "probe-test-" + std::to_string(getpid()), memory = "/sys/fs/cgroup/memory/" + group, pids = "/sys/fs/cgroup/pids/" + group;
	bool v1 = !mkdir(memory.c_str(), 0755) && !mkdir(pids.c_str(), 0755) && !write_to(memory + "/memory.limit_in_bytes", "67108864") &&
		  !write_to(pids + "/pids.max", "50");
	static auto joined = [](std::vector<std::string> groups) { return [groups] {
		for (auto& g : groups) if (write_to(g + "/cgroup.procs", std::to_string(getpid()))) _exit(126); }; };
	// hierarchies of files on a tmpfs, made from inside it (a path may be longer
	// than the kernel takes whole), and the lines that name the groups
	using files = std::vector<std::pair<std::string, std::string>>;
	static auto layout = [](std::string lines, files made) { return [lines, made] {
		private_mounts();
		if (mount("none", "/sys/fs/cgroup", "tmpfs", 0, nullptr) || chdir("/sys/fs/cgroup") || write_to("lines", lines)) _exit(126);
		bind_over("lines", "/proc/self/cgroup");
		for (std::error_code e; auto& [path, text] : made)
			if (std::filesystem::create_directories(std::filesystem::path(path).parent_path(), e), write_to(path, text)) _exit(126);
	}; };
	static auto deadline = [] { struct { uint32_t size, policy; uint64_t flags; int32_t nice; uint32_t priority; uint64_t runtime, deadline, period; } a{
		48, SCHED_DEADLINE, 0, 0, 0, 5000000, 10000000, 10000000}; if (syscall(SYS_sched_setattr, 0, &a, 0)) _exit(126); };
	const std::string copy = reachable_copy("resreport"), dir = copy.substr(0, copy.rfind('/'));
	const std::vector<std::string> v2 = {"memory.max:\t67108864", "memory.high:\t-", "cpu.max:\t150000 100000", "pids.max:\tmax"};
	const files v2_files = {{"memory.max", "67108864\n"}, {"cpu.max", "150000 100000\n"}, {"pids.max", "max\n"}};
	// a memory line that ends at byte 4096, a tab in its path of 4064 bytes, the lines after it; a root with other values
	std::string deep = "/a\tb", list = "0";
	while (deep.size() < 4064) deep += "/" + std::string(std::min<size_t>(200, 4063 - deep.size()), 'd');
	while (list.size() < 9445) list += "," + std::to_string(2 + 2 * std::count(list.begin(), list.end(), ','));
	const files v1_files = {{"memory/memory.limit_in_bytes", "9223372036854771712\n"}, {"memory" + deep + "/memory.limit_in_bytes", "67108864\n"},
		{"cpu/cpu.shares", "1024\n"}, {"cpu/a/cpu.shares", "512\n"}, {"cpuset/cpuset.effective_cpus", "0-1\n"}, {"cpuset/c/cpuset.effective_cpus", "1\n"},
		{"pids/d/pids.max", "50\n"}};
	auto with = [](std::vector<std::string> a, std::vector<std::string> b) { a.insert(a.end(), b.begin(), b.end()); return a; };
	std::vector<view_case> cases = {
		{"limits set, one hard unlimited", [] { limit(RLIMIT_NOFILE, 256, 4096), limit(RLIMIT_CORE, 0, RLIM_INFINITY), limit(RLIMIT_MSGQUEUE, 8192, 16384); },
			{"RLIMIT_NOFILE:\t256\t4096", "RLIMIT_CORE:\t0\tunlimited", "RLIMIT_MSGQUEUE:\t8192\t16384"}},
		{"CPU 0", cpus({0}), {"Cpus:\t0"}}, {"CPU 1", cpus({1}), {"Cpus:\t1"}}, {"CPUs 0 and 1", cpus({0, 1}), {"Cpus:\t0-1"}},
		{"other, nice 5", [] { setpriority(PRIO_PROCESS, 0, 5); }, {"Policy:\tother\t0", "Nice:\t5"}},
		{"batch, nice -3", [] { policy(SCHED_BATCH, 0)(), setpriority(PRIO_PROCESS, 0, -3); }, {"Policy:\tbatch\t0", "Nice:\t-3"}},
		{"idle", policy(SCHED_IDLE, 0), {"Policy:\tidle\t0"}}, {"fifo 10", policy(SCHED_FIFO, 10), {"Policy:\tfifo\t10"}},
		{"rr 5", policy(SCHED_RR, 5), {"Policy:\trr\t5"}},
		{"reset on fork", policy(SCHED_OTHER | SCHED_RESET_ON_FORK, 0), {"Policy:\tother,reset_on_fork\t0"}},
		{"I/O: none", nullptr, {"IOPriority:\tnone\t0"}}, {"I/O: be 4", io(2 << 13 | 4), {"IOPriority:\tbe\t4"}},
		{"I/O: idle", io(3 << 13), {"IOPriority:\tidle\t0"}}, {"I/O: rt 0", io(1 << 13), {"IOPriority:\trt\t0"}},
		{"OOM score 500", oom("500"), {"OOMScoreAdj:\t500"}}, {"OOM score 1000", oom("1000"), {"OOMScoreAdj:\t1000"}},
		{"deadline", deadline, {"Policy:\tdeadline\t0"}, true, copy},
		{"I/O: be 2, hint 1", io(2 << 13 | 1 << 3 | 2), {"IOPriority:\tbe\t2\thint 1"}},
		{"descriptor 0 closed", [] { close(0); }, {}, false, probe_path("resreport")},
		{"unified: the root group", layout("0::/\n", v2_files), with(v2, {"Cgroup:\t0::/"}), false, copy},
		{"unified: a group without its folder", layout("0::/kubepods/pod1/abc\n", v2_files), with(v2, {"Cgroup:\t0::/kubepods/pod1/abc"}), false, copy},
		{"unified: a CPU list too long to show", layout("0::/\n", {{"cpuset.cpus.effective", list}}), {"cpuset.cpus.effective:\t[query failed]"}, false, copy},
		{"version 1: lines past byte 4096, a path of 4064 bytes, cpu and cpuacct apart",
			layout("2:cpuacct:/b\n1:cpu:/a\n4:memory:" + deep + "\n3:cpuset:/c\n5:pids:/d\n6:blkio:/" + std::string(200, 'e') + "\n", v1_files),
			{"memory.limit_in_bytes:\t67108864", "cpu.shares:\t512", "cpuset.effective_cpus:\t1", "pids.max:\t50"}, false, copy},
		{"no /proc, no /sys", [dir] { if (chroot(dir.c_str()) || chdir("/")) _exit(126); },
			{"OOMScoreAdj:\t[query failed]", "Cgroup:\t[query failed]"}, true, "/resreport"},
	};
	if (v1) cases.insert(cases.end(), {
		{"version 1 groups", joined({memory, pids}), {"memory.limit_in_bytes:\t67108864", "pids.max:\t50"}},
		{"version 1 as Docker mounts it", [memory] { joined({memory})(), bind_over(memory, "/sys/fs/cgroup/memory"); },
			{"Cgroup:\t4:memory:/" + group, "memory.limit_in_bytes:\t67108864"}, false, copy},
	});
	check("resreport", cases, resources_of, [](const view& kernel, const std::string& out, const char* name) {
		EXPECT_EQ(out.substr(1), kernel.at("report")) << name; });
	rmdir(memory.c_str()), rmdir(pids.c_str());
	EXPECT_TRUE(v1) << "no version 1 groups of our own";
}

// Every mount as the process's own table gives it, field for field, in order.
view mounts_of(int pid)
{
	view v{{"Mount", ""}};
	std::istringstream lines(read_file(proc(pid, "mountinfo")));
	for (std::string line, id, parent, dev, root, point, options, tag, type, source, super; std::getline(lines, line);) {
		std::istringstream w(line);
		std::string tags;
		w >> id >> parent >> dev >> root >> point >> options;
		while (w >> tag && tag != "-") tags += (tags.empty() ? "" : ",") + tag;
		w >> type >> source >> super;
		v["Mount"] += (v["Mount"].empty() ? "" : "\n") + point + "\t" + type + "\t" + source + "\t" + root + "\t" + options + "\t" +
			      (tags.empty() ? "private" : tags) + "\t" + super;
	}
	return v;
}

TEST(Mntreport, EveryMountIsTheKernelsOwn)
{
	if (geteuid() != 0) GTEST_SKIP() << "mounts need root";
	static auto ok = [](int status) { if (status) _exit(126); };
	static auto tmpfs = [](const char* at, const char* options, unsigned long flags = 0) {
		mkdir(at, 0700), ok(mount("none", at, "tmpfs", flags, options)); };
	const std::string copy = reachable_copy("mntreport"), dir = copy.substr(0, copy.rfind('/')), deep(200, 'm');
	check("mntreport", {
		{"the host's", nullptr, {"Path:\t/proc/sys\trw"}},
		{"a read-only bind, a space and a tab, a shared mount and its slave, a tmpfs", [] {
			private_mounts(), tmpfs("/tmp/mnt a\tb", "size=1m,mode=700"), tmpfs("/tmp/mnt-shared", nullptr), mkdir("/tmp/mnt-slave", 0700);
			ok(mount(nullptr, "/tmp/mnt-shared", nullptr, MS_SHARED, nullptr) || mount("/tmp/mnt-shared", "/tmp/mnt-slave", nullptr, MS_BIND, nullptr) ||
			   mount(nullptr, "/tmp/mnt-slave", nullptr, MS_SLAVE, nullptr) || mount(nullptr, "/tmp/mnt-slave", nullptr, MS_SHARED, nullptr) ||
			   mount("/tmp/mnt-shared", "/tmp/mnt a\tb", nullptr, MS_BIND, nullptr) ||
			   mount(nullptr, "/tmp/mnt a\tb", nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr));
		}, {"Mount:\t/tmp/mnt\\040a\\011b\ttmpfs\tnone\t/\trw,relatime\tprivate\trw,size=1024k,mode=700",
			"Mount:\t/tmp/mnt\\040a\\011b\ttmpfs\tnone\t/\tro,relatime\t", "Mount:\t/tmp/mnt-slave\ttmpfs\tnone\t/\trw,relatime\t"}},
		{"masked and read-only as engines make them", [] {
			bind_over("/dev/null", "/proc/keys"), tmpfs("/proc/acpi", nullptr, MS_RDONLY), bind_over("/proc/sys", "/proc/sys");
			ok(mount(nullptr, "/proc/sys", nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr));
		}, {"Path:\t/proc/acpi\tmasked", "Path:\t/proc/keys\tmasked", "Path:\t/proc/sys\tro"}},
		{"operands", nullptr, {"Path:\t/tmp\trw", "Path:\t/nonexistent\tabsent", "Path:\ta\\011b\tabsent"}, false, {}, 0, {"--", "/tmp", "/nonexistent", "a\tb"}},
		{"more than 64 KiB of mounts", [deep] { private_mounts(); for (int i = 0; i < 400; ++i) tmpfs(("/tmp/" + deep).c_str(), nullptr); }, {}},
		{"a root without /proc", [dir] { ok(chroot(dir.c_str()) || chdir("/")); }, {"Mount:\t[query failed]", "Path:\t/proc/keys\tabsent"}, true, "/mntreport"},
	}, mounts_of, [](const view& kernel, const std::string& out, const char* name) {
		EXPECT_EQ(fields(out)["Mount"], kernel.count("Mount") ? kernel.at("Mount") : "") << name; });
	rmdir("/tmp/mnt a\tb"), rmdir("/tmp/mnt-shared"), rmdir("/tmp/mnt-slave"), rmdir(("/tmp/" + deep).c_str());
}

// Every node and link under the process's own /dev, four levels of
// folders down, in the order the kernel lists them.
view devices_of(int pid)
{
	view v{{"Device", ""}};
	const std::string root = proc(pid, "root");
	std::error_code none;
	for (auto e = std::filesystem::recursive_directory_iterator(root + "/dev", none); e != decltype(e)(); ++e) {
		struct stat st;
		std::string path = escaped(e->path().string().substr(root.size())), line;
		if (lstat(e->path().c_str(), &st)) continue;
		if (S_ISDIR(st.st_mode) && e.depth() == 4) e.disable_recursion_pending();
		char mode[8];
		snprintf(mode, sizeof mode, "%04o", st.st_mode & 07777);
		if (S_ISLNK(st.st_mode)) v["Link"] += (v["Link"].empty() ? "" : "\n") + path + "\t" + escaped(std::filesystem::read_symlink(e->path()));
		if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
			v["Device"] += (v["Device"].empty() ? "" : "\n") + path + (S_ISCHR(st.st_mode) ? "\tc " : "\tb ") + std::to_string(major(st.st_rdev)) + ":" +
				       std::to_string(minor(st.st_rdev)) + "\t" + mode + "\t" + std::to_string(st.st_uid) + "\t" + std::to_string(st.st_gid);
	}
	return v;
}

TEST(Devreport, EveryNodeIsTheKernelsOwn)
{
	if (geteuid() != 0) GTEST_SKIP() << "nodes and groups need root";
	static auto ok = [](int status) { if (status) _exit(126); };
	const std::string group = "/sys/fs/cgroup/devices/probe-test-" + std::to_string(getpid()), copy = reachable_copy("devreport");
	bool v1 = !mkdir(group.c_str(), 0755) && (std::ofstream(group + "/devices.deny") << "a" << std::flush) && (std::ofstream(group + "/devices.allow") << "c 1:3 rwm");
	std::vector<view_case> cases = {
		{"the host's", nullptr, {"Link:\t/dev/fd\t/proc/self/fd"}},
		{"a private /dev: owned nodes, a block device, a newline in a link, five levels", [] {
			private_mounts(), ok(mount("none", "/dev", "tmpfs", 0, nullptr) || mknod("/dev/null", S_IFCHR | 0600, makedev(1, 3)) ||
			   chown("/dev/null", 1000, 1000) || mknod("/dev/loop9", S_IFBLK | 0640, makedev(7, 9)) || symlink("a\nb", "/dev/nl") ||
			   mknod("/dev/x\ty", S_IFCHR | 0600, makedev(1, 7)));
			std::filesystem::create_directories("/dev/a/b/c/d/e"), ok(mknod("/dev/a/b/c/d/n", S_IFCHR | 0644, makedev(1, 5)) ||
			   mknod("/dev/a/b/c/d/e/deep", S_IFCHR | 0666, makedev(1, 7)));
		}, {"Device:\t/dev/null\tc 1:3\t0600\t1000\t1000", "Device:\t/dev/loop9\tb 7:9\t0640\t0\t0", "Link:\t/dev/nl\ta\\012b", "Device:\t/dev/x\\011y\tc 1:7\t0600\t0\t0",
			"Device:\t/dev/a/b/c/d/n\tc 1:5\t0644\t0\t0"}},
		{"no /dev, no /proc", [dir = copy.substr(0, copy.rfind('/'))] { ok(chroot(dir.c_str()) || chdir("/")); },
			{"Device:\t[query failed]", "Allow:\t[query failed]"}, true, "/devreport"},
	};
	if (v1) cases.push_back({"version 1: every device denied but the null one", [group] {
		ok(!(std::ofstream(group + "/cgroup.procs") << getpid())); }, {"Allow:\tc 1:3 rwm"}});
	check("devreport", cases, devices_of, [](const view& kernel, const std::string& out, const char* name) {
		view printed = fields(out);
		printed.erase("Allow");
		EXPECT_EQ(printed, kernel) << name; });
	rmdir(group.c_str());
	// a chroot, as CI's Debian root, has no /sys of the host's
	EXPECT_TRUE(v1 || in_chroot()) << "no version 1 device group of our own";
}

// The names as the process's own UTS namespace gives them, its terminal
// from /proc, and each sysctl through its own root as its own network and
// IPC namespaces show it: the tab between numbers a space.
view system_of(int pid)
{
	view v;
	std::vector<std::pair<int, int>> own;
	for (auto [kind, flag] : {std::pair{"net", CLONE_NEWNET}, {"ipc", CLONE_NEWIPC}, {"uts", CLONE_NEWUTS}}) {
		int theirs = open(proc(pid, "ns/" + std::string(kind)).c_str(), O_RDONLY);
		own.push_back({open(("/proc/self/ns/" + std::string(kind)).c_str(), O_RDONLY), flag}), setns(theirs, flag), close(theirs);
	}
	utsname u;
	uname(&u), v["Sysname"] = u.sysname, v["Release"] = u.release, v["Version"] = u.version;
	if (read_file(proc(pid, "personality")) == "00000000\n") v["Machine"] = u.machine;
	std::istringstream names("fs.file-max fs.mqueue.msg_default fs.mqueue.msg_max fs.mqueue.msgsize_default fs.mqueue.msgsize_max "
		"fs.mqueue.queues_max kernel.msgmax kernel.msgmnb kernel.msgmni kernel.pid_max kernel.sem kernel.shm_rmid_forced kernel.shmall "
		"kernel.shmmax kernel.shmmni net.core.somaxconn net.ipv4.ip_forward net.ipv4.ip_local_port_range net.ipv4.ip_local_reserved_ports "
		"net.ipv4.ip_unprivileged_port_start net.ipv4.ping_group_range net.ipv4.tcp_fin_timeout net.ipv4.tcp_keepalive_intvl "
		"net.ipv4.tcp_keepalive_probes net.ipv4.tcp_keepalive_time net.ipv4.tcp_notsent_lowat net.ipv4.tcp_rmem "
		"net.ipv4.tcp_slow_start_after_idle net.ipv4.tcp_syncookies net.ipv4.tcp_wmem net.ipv6.conf.all.disable_ipv6 "
		"user.max_user_namespaces vm.max_map_count vm.overcommit_memory");
	for (std::string name; names >> name;) {
		std::string path = name;
		std::replace(path.begin(), path.end(), '.', '/');
		auto text = text_of(proc(pid, "root") + "/proc/sys/" + path);
		if (text && !text->empty() && text->back() == '\n') text->pop_back();
		if (text) std::replace(text->begin(), text->end(), '\t', ' ');
		v[name] = text ? escaped(*text) : "-";
	}
	for (auto [fd, flag] : own) setns(fd, flag), close(fd);
	std::istringstream stat(read_file(proc(pid, "stat")).substr(read_file(proc(pid, "stat")).rfind(") ") + 2));
	std::string f[5];
	for (auto& w : f) stat >> w;
	dev_t tty = std::stoul(f[4]);
	v["Terminal"] = tty ? std::to_string(major(tty)) + ":" + std::to_string(minor(tty)) + "\t40 132" : "-";
	return v;
}

TEST(Sysreport, EverySettingIsTheKernelsOwn)
{
	if (geteuid() != 0) GTEST_SKIP() << "namespaces and settings need root";
	static auto set = [](int kind, const char* file, const char* value) { return [=] {
		if (setsid() < 0 || unshare(kind) || !(std::ofstream(file) << value)) _exit(126); }; };
	static auto as = [](unsigned long persona) { return [persona] { if (setsid() < 0 || personality(persona) < 0) _exit(126); }; };
	const std::string copy = reachable_copy("sysreport"), dir = copy.substr(0, copy.rfind('/'));
	check("sysreport", {
		{"the host's, no terminal", [] { setsid(); }, {"Personality:\t00000000\tlinux", "Terminal:\t-"}},
		{"a network namespace's own setting", set(CLONE_NEWNET, "/proc/sys/net/ipv4/ip_unprivileged_port_start", "80"),
			{"net.ipv4.ip_unprivileged_port_start:\t80"}},
		{"an IPC namespace's own setting", set(CLONE_NEWIPC, "/proc/sys/kernel/shmmax", "1073741824"), {"kernel.shmmax:\t1073741824"}},
		{"operands", set(CLONE_NEWIPC | CLONE_NEWNET, "/proc/sys/kernel/shmmax", "1073741824"), {"kernel.shmmax:\t1073741824",
			"net/core/somaxconn:\t4096", "kernel.nonexistent:\t-", "../../etc/passwd:\t[query failed]", "kernel..shmmax:\t[query failed]",
			"net/../../../etc/passwd:\t[query failed]"}, false, {}, 0,
			{"kernel.shmmax", "net/core/somaxconn", "kernel.nonexistent", "../../etc/passwd", "kernel..shmmax", "net/../../../etc/passwd"}},
		{"a 32-bit personality", as(PER_LINUX32), {"Personality:\t00000008\tlinux32", "Machine:\ti686"}, true},
		{"no address randomization", as(ADDR_NO_RANDOMIZE), {"Personality:\t00040000\tlinux,addr_no_randomize"}, true},
		{"a terminal of 40 rows and 132 columns", [] {
			int master = posix_openpt(O_RDWR | O_NOCTTY), slave = -1;
			winsize size{40, 132, 0, 0};
			if (master < 0 || grantpt(master) || unlockpt(master) || setsid() < 0 || (slave = open(ptsname(master), O_RDWR)) < 0 ||
			    ioctl(slave, TIOCSCTTY, 0) || ioctl(slave, TIOCSWINSZ, &size))
				_exit(126);
		}, {"Terminal:\t"}, true},
		{"a root without /proc and /dev", [dir] { if (setsid() < 0 || chroot(dir.c_str()) || chdir("/")) _exit(126); },
			{"fs.file-max:\t-", "Terminal:\t[query failed]"}, true, "/sysreport"},
	}, system_of, [](const view& kernel, const std::string& out, const char* name) {
		view printed = fields(out);
		printed.erase("Personality");
		for (auto& [label, value] : kernel)  // operands name other settings
			if (printed.count("fs.file-max") || printed.count(label)) {
				EXPECT_EQ(printed[label], value) << name << ": " << label;
			}
	});
}
