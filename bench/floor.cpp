// The least program that makes a probe's system calls: built once per probe
// with FLOOR_<probe> and FLOOR_WRITES, the sizes of that probe's writes for
// the benchmark's inputs (none larger than its buffer), and with neither as
// the empty floor, which only starts and exits.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdint.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>
#include "file.hpp"

#ifdef FLOOR_WRITES
static constexpr uint32_t writes[] = {FLOOR_WRITES};

// The static buffers of the probe's writers: the loader maps them at exec,
// which costs time as well. Placed as the probes' are, after the C
// library's small data (lib/writer/out.cpp).
#if defined(FLOOR_idreport)
static char bytes[256] [[gnu::section(".bss.~writer_err")]];
#elif defined(FLOOR_argreport)
static char bytes[8192] [[gnu::section(".bss.~writer_out")]];
#else
static char bytes[8192 + 256] [[gnu::section(".bss.~writer_out")]];
#endif

// Any program that writes what it found must first put it in memory:
// the pages that takes are part of the floor.
static void put(int fd, uint32_t n)
{
	for (uint32_t i = 0; i < n; ++i) bytes[i] = char(i);
	if (n) write(fd, bytes, n);
}
#endif

#if defined(FLOOR_privreport)
[[gnu::common]] gid_t groups[65536];
[[gnu::common]] char label[4096];

static long query(long option, long a, long b = 0)
{
	return syscall(SYS_prctl, option, a, b, 0, 0);
}
#elif defined(FLOOR_fdreport)
alignas(8) static char entries[4096];
static char target[4096], status[256];
#elif defined(FLOOR_resreport)
// The files the probe opened under the benchmark, in its order, as
// bench/run traced them.
static const char* const files[] = {FLOOR_FILES};
[[gnu::common]] unsigned char mask[1024];
[[gnu::common]] char text[4096];
// where the control-group file's lines are found, and the file whole
[[gnu::common]] char groups[1040 + 65536];
#elif defined(FLOOR_mntreport) || defined(FLOOR_devreport)
#ifdef FLOOR_devreport
static const char* const files[] = {FLOOR_FILES};
#endif
alignas(8) [[gnu::common]] char entries[5][4096];
[[gnu::common]] char table[65536];

// The whole file into the buffer, as the probes read files.
static void read_whole(const char* file, char* into, long cap)
{
	int fd = int(syscall(SYS_openat, AT_FDCWD, file, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
	for (long held = 0, n; fd >= 0 && (n = read(fd, into + held, cap - held)) > 0;) held += n;
	if (fd >= 0) close(fd);
}

// Each entry of the open folder: a device's or an unknown entry's status,
// a link's target, a folder's own entries four levels down.
static void walk(long dir, int level)
{
	for (long got; (got = syscall(SYS_getdents64, dir, entries[level], 4096)) > 0;)
		for (long at = 0; at < got; at += reinterpret_cast<directory_entry*>(entries[level] + at)->length) {
			auto* e = reinterpret_cast<directory_entry*>(entries[level] + at);
			if (e->name[0] == '.' && (!e->name[1] || (e->name[1] == '.' && !e->name[2]))) continue;
			file_status st;
			uint8_t type = e->type;
			if ((type == DT_UNKNOWN || type == DT_CHR || type == DT_BLK) &&
			    !syscall(SYS_statx, dir, e->name, AT_SYMLINK_NOFOLLOW, 0x1b, &st))
				type = uint8_t(IFTODT(st.mode));
			if (type == DT_LNK) syscall(SYS_readlinkat, dir, e->name, table, 4096);
			if (type != DT_DIR || level == 4) continue;
			long sub = syscall(SYS_openat, dir, e->name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
			if (sub >= 0) walk(sub, level + 1), close(int(sub));
		}
}
#elif defined(FLOOR_sysreport)
static const char* const files[] = {FLOOR_FILES};
[[gnu::common]] char path[4096];
[[gnu::common]] char text[4096];
#elif defined(FLOOR_nsreport)
[[gnu::common]] char path[4096];
[[gnu::common]] char map[12288];

static void read_whole(const char* file)
{
	int fd = int(syscall(SYS_openat, AT_FDCWD, file, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
	for (long held = 0, n; (n = read(fd, map + held, sizeof map - size_t(held))) > 0;) held += n;
	close(fd);
}
#endif

int main()
{
#if defined(FLOOR_idreport)
	static_assert(sizeof writes / sizeof writes[0] == 9);
	getuid();
	put(2, writes[0]);
	geteuid();
	put(2, writes[1]);
	getgid();
	put(2, writes[2]);
	getegid();
	put(2, writes[3]);
	getpid();
	put(2, writes[4]);
	getppid();
	put(2, writes[5]);
	getpgrp();
	put(2, writes[6]);
	getsid(0);
	put(2, writes[7]);
	umask(0);
	put(2, writes[8]);
#elif defined(FLOOR_limitreport)
	static constexpr int limits[] = {RLIMIT_AS, RLIMIT_CORE, RLIMIT_CPU, RLIMIT_DATA, RLIMIT_FSIZE, RLIMIT_LOCKS,
		RLIMIT_MEMLOCK, RLIMIT_NOFILE, RLIMIT_NPROC, RLIMIT_RSS, RLIMIT_STACK};
	rlimit r;
	for (int id : limits) getrlimit(id, &r);
	put(1, writes[0]);
#elif defined(FLOOR_privreport)
	uint32_t header[2] = {0x20080522, 0}, data[6];
	getgroups(65536, groups);
	syscall(SYS_capget, header, data);
	for (long n = 0; n < 64 && query(PR_CAPBSET_READ, n) >= 0; ++n) {}
	for (long n = 0; n < 64 && query(PR_CAP_AMBIENT, PR_CAP_AMBIENT_IS_SET, n) >= 0; ++n) {}
	query(PR_GET_SECUREBITS, 0);
	query(PR_GET_NO_NEW_PRIVS, 0);
	query(PR_GET_SECCOMP, 0);
	uint32_t size = sizeof label;
	syscall(459, 100, label, &size, 0);
	put(1, writes[0]);
#elif defined(FLOOR_sigreport)
	uint64_t set, action[4];
	syscall(SYS_rt_sigpending, &set, 8);
	syscall(SYS_rt_sigprocmask, SIG_SETMASK, nullptr, &set, 8);
	for (long n = 1; n <= 64; ++n) syscall(SYS_rt_sigaction, n, nullptr, action, 8);
	put(1, writes[0]);
#elif defined(FLOOR_fdreport)
	// every entry of the listing but . and .. and its own
	int dir = int(syscall(SYS_openat, AT_FDCWD, "/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
	for (long got; (got = syscall(SYS_getdents64, dir, entries, sizeof entries)) > 0;)
		for (long at = 0; at < got; at += *reinterpret_cast<uint16_t*>(entries + at + 16)) {
			const char* name = entries + at + 19;
			int fd = 0;
			for (const char* d = name; *d; ++d) fd = fd * 10 + (*d - '0');
			if (*name == '.' || fd == dir) continue;
			syscall(SYS_readlinkat, dir, name, target, sizeof target);
			syscall(SYS_statx, fd, "", AT_EMPTY_PATH, 1, status);
			syscall(SYS_fcntl, fd, F_GETFL);
		}
	close(dir);
	put(1, writes[0]);
#elif defined(FLOOR_nsreport)
	int dir = int(syscall(SYS_openat, AT_FDCWD, "/proc/self/ns", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
	static const char* const kinds[] = {"cgroup", "ipc", "mnt", "net", "pid", "time", "user", "uts"};
	for (const char* kind : kinds)
		syscall(SYS_readlinkat, dir, kind, path, sizeof path);
	close(dir);
	read_whole("/proc/self/uid_map");
	read_whole("/proc/self/gid_map");
	utsname names;
	uname(&names);
	syscall(SYS_getcwd, path, sizeof path);
	struct statfs fs;
	statfs("/", &fs);
	read_whole("/proc/self/timens_offsets");
	put(1, writes[0]);
#elif defined(FLOOR_resreport)
	rlimit r;
	for (int id = 0; id < RLIM_NLIMITS; ++id) getrlimit(id, &r);
	int priority;
	syscall(SYS_sched_getaffinity, 0, sizeof mask, mask);
	syscall(SYS_sched_getscheduler, 0);
	syscall(SYS_sched_getparam, 0, &priority);
	syscall(SYS_getpriority, PRIO_PROCESS, 0);
	syscall(SYS_ioprio_get, 1, 0);
	for (const char* file : files) {
		bool whole = file == files[1], limit = !whole && file != files[0];
		char* into = whole ? groups + 1040 : text;
		// the probe builds each limit file's path in the buffer it reads into
		const char* f = file;
		if (limit)
			for (char* p = text; (*p++ = *f++);) {}
		int fd = int(syscall(SYS_openat, AT_FDCWD, limit ? text : file, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
		for (long held = 0, n; fd >= 0 && (n = read(fd, into + held, (whole ? 65536 : 4096) - size_t(held))) > 0;) held += n;
		if (fd >= 0) close(fd);
	}
	put(1, writes[0]);
#elif defined(FLOOR_mntreport)
	// the table, then for each path what its state takes
	read_whole("/proc/self/mountinfo", table, sizeof table);
	static const char* const paths[] = {"/proc/acpi", "/proc/asound", "/proc/bus", "/proc/fs", "/proc/interrupts", "/proc/irq",
		"/proc/kcore", "/proc/keys", "/proc/latency_stats", "/proc/sched_debug", "/proc/scsi", "/proc/sys", "/proc/sysrq-trigger",
		"/proc/timer_list", "/proc/timer_stats", "/sys/dev/block", "/sys/devices/virtual/powercap", "/sys/firmware", "/sys/fs/selinux"};
	for (const char* p : paths) {
		file_status st;
		struct statfs fs;
		if (syscall(SYS_statx, AT_FDCWD, p, 0, 3, &st) || statfs(p, &fs)) continue;
		if (st.attributes_mask & st.attributes & statx_attr_mount_root && fs.f_flags & ST_RDONLY && S_ISDIR(st.mode)) {
			long dir = syscall(SYS_openat, AT_FDCWD, p, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
			syscall(SYS_getdents64, dir, entries[0], 4096), close(int(dir));
		}
	}
	put(1, writes[0]);
#elif defined(FLOOR_devreport)
	long dev = syscall(SYS_openat, AT_FDCWD, "/dev", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	walk(dev, 0), close(int(dev));
	// the control-group file and the allow list, as the probe opened them
	// after its folders
	bool first = true;
	for (const char* file : files)
		if (file[0] == '/' && file[1] != 'd') read_whole(file, table, first ? sizeof table : 8192), first = false;
	put(1, writes[0]);
#elif defined(FLOOR_sysreport)
	utsname names;
	uname(&names);
	syscall(SYS_personality, 0xffffffffUL);
	// the terminal, then each setting, as the probe opened them
	for (const char* file : files) {
		bool tty = file == files[0];
		int fd = int(syscall(SYS_openat, AT_FDCWD, file, O_RDONLY | O_CLOEXEC | (tty ? O_NOCTTY : 0) | O_NONBLOCK));
		if (fd >= 0 && tty) syscall(SYS_ioctl, fd, TIOCGDEV, text), syscall(SYS_ioctl, fd, TIOCGWINSZ, text);
		for (long held = 0, n; fd >= 0 && !tty && (n = read(fd, text + held, sizeof text - size_t(held))) > 0;) held += n;
		if (fd >= 0) close(fd);
	}
	put(1, writes[0]);
#elif defined(FLOOR_envreport) || defined(FLOOR_argreport)
	put(1, writes[0]);
#endif
	return 0;
}
