#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stddef.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include "bytes.hpp"
#include "file.hpp"
#include "format.hpp"
#include "front.hpp"
#include "pieces.hpp"
#include "writer.hpp"

// prlimit64's record, 64-bit on every architecture.
struct limits {
	uint64_t soft, hard;
};

// A common symbol, which the linker puts after the other zeroed data, so
// that the output buffer shares the data's page: a page of its own would
// cost a fault.
struct fd_buffers {
	alignas(directory_entry) char entries[4096];
	char target[4096];
	pollfd polls[1024];
};
[[gnu::common]] fd_buffers descriptor_buffers;
static char* const entries = descriptor_buffers.entries;
static char* const target = descriptor_buffers.target;
static pollfd* const polls = descriptor_buffers.polls;

static constexpr named kinds[] = {
	{S_IFREG, "file"},
	{S_IFDIR, "dir"},
	{S_IFCHR, "chr"},
	{S_IFBLK, "blk"},
	{S_IFIFO, "fifo"},
	{S_IFSOCK, "sock"},
	{S_IFLNK, "link"},
	{0, "anon"},  // eventfd, epoll, timerfd and the other anonymous inodes
};

// In this order; O_SYNC holds the bits of O_DSYNC, so a match clears its
// bits and only the stronger name is given.
static constexpr named open_flags[] = {
	{O_APPEND, "append"},
	{O_NONBLOCK, "nonblock"},
	{O_SYNC, "sync"},
	{O_DSYNC, "dsync"},
	{O_DIRECT, "direct"},
	{O_NOATIME, "noatime"},
};

// The call itself: musl's fcntl carries code for commands never asked here.
static int status_flags(int fd)
{
	return int(syscall(SYS_fcntl, fd, F_GETFL));
}

static const char* access_of(int flags)
{
	if (flags < 0) return "?";
	if (flags & O_PATH) return "path";
	switch (flags & O_ACCMODE) {
	case O_RDONLY: return "r";
	case O_WRONLY: return "w";
	case O_RDWR: return "rw";
	}
	return "?";
}

static void put_flags(int flags)
{
	if (flags < 0) return put("?");
	const char* comma = "";
	for (const named& f : open_flags)
		if ((flags & f.value) == f.value) {
			put(comma);
			put(f.name);
			flags &= ~f.value;
			comma = ",";
		}
	if (!*comma) put("-");
}

// One line: number, kind, access, flags, detail, and the target, escaped
// as a unix name is; "-" when the target could not be read (length below
// 0). The type from statx, whose record is the same
// everywhere.
static void print_descriptor(int fd, long length)
{
	file_status st;
	bool known = syscall(SYS_statx, fd, "", AT_EMPTY_PATH, statx_type, &st) == 0;
	const char* kind = known ? name_of(kinds, st.mode & S_IFMT) : nullptr;
	int flags = status_flags(fd);
	put_decimal(uint32_t(fd));
	writer_print(writer_out, "\t", kind ? kind : "?", "\t", access_of(flags), "\t", nullptr);
	put_flags(flags);
	put("\t");
	if (known && (S_ISCHR(st.mode) || S_ISBLK(st.mode))) {
		put_decimal(st.rdev_major);
		put(":");
		put_decimal(st.rdev_minor);
	} else if (known && S_ISSOCK(st.mode)) {
		put_socket(fd);
	} else {
		put("-");
	}
	put("\t");
	if (length < 0) put("-");
	else put_escaped(target, uint64_t(length));
	put("\n");
}

static int number_of(const char* name)
{
	int n = 0;
	for (; *name >= '0' && *name <= '9'; ++name) n = n * 10 + (*name - '0');
	return *name ? -1 : n;
}

// The kernel lists the entries in ascending order. False when the
// listing cannot be read at all.
static bool list(int dir)
{
	long got = syscall(SYS_getdents64, dir, entries, sizeof descriptor_buffers.entries);
	if (got < 0) return false;
	for (; got > 0; got = syscall(SYS_getdents64, dir, entries, sizeof descriptor_buffers.entries))
		for (long at = 0; at < got;) {
			auto* entry = reinterpret_cast<const directory_entry*>(entries + at);
			at += entry->length;
			int fd = number_of(entry->name);
			if (fd < 0 || fd == dir) continue;
			print_descriptor(fd, readlinkat(dir, entry->name, target, sizeof descriptor_buffers.target));
		}
	return true;
}

// The target through a path of its own, which takes no descriptor.
static long target_of(int fd)
{
	static constexpr char folder[] = "/proc/self/fd/";
	constexpr uint64_t at = sizeof folder - 1;
	char path[at + decimal_text_max];
	decimal_text(bytes_copy(path, folder, at) + at, uint32_t(fd));
	return readlinkat(AT_FDCWD, path, target, sizeof descriptor_buffers.target);
}

static bool soft_and_hard(limits* now)
{
	return syscall(SYS_prlimit64, 0, RLIMIT_NOFILE, nullptr, now) == 0;
}

// poll marks the numbers below the soft limit that are not open, 1024 at
// a time. It cannot see O_PATH descriptors. The targets are read only
// where /proc is there.
static void scan(bool targets)
{
	limits now;
	uint64_t limit = soft_and_hard(&now) ? now.soft : 1024;
	if (limit > uint64_t(1) << 31) limit = uint64_t(1) << 31;
	for (uint64_t start = 0; start < limit; start += 1024) {
		uint64_t n = limit - start < 1024 ? limit - start : 1024;
		for (uint64_t i = 0; i < n; ++i) polls[i] = {int(start + i), 0, 0};
		int ready;
		while ((ready = poll(polls, n, 0)) < 0 && errno == EINTR) {}
		for (uint64_t i = 0; i < n; ++i) {
			int fd = int(start + i);
			bool open = ready < 0 ? status_flags(fd) >= 0 || errno != EBADF
					      : !(polls[i].revents & POLLNVAL);
			if (open) print_descriptor(fd, targets ? target_of(fd) : -1);
		}
	}
}

// The call itself: musl's open sets O_CLOEXEC a second time, for old kernels.
static int open_listing()
{
	return int(syscall(SYS_openat, AT_FDCWD, "/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// Every number below the soft limit is taken: open under the hard limit,
// then set the soft one back at once.
static int open_in_full_table()
{
	limits was;
	if (!soft_and_hard(&was) || was.soft >= was.hard) return -1;
	limits raised{was.hard, was.hard};
	if (syscall(SYS_prlimit64, 0, RLIMIT_NOFILE, &raised, nullptr)) return -1;
	int dir = open_listing();
	syscall(SYS_prlimit64, 0, RLIMIT_NOFILE, &was, nullptr);
	return dir;
}

int main(int argc, char** argv)
{
	standard_options(argc, argv);
	int dir = open_listing();
	bool full = dir < 0 && errno == EMFILE;
	if (full) dir = open_in_full_table();
	bool listed = dir >= 0 && list(dir);
	if (dir >= 0) close(dir);
	// /proc is there when the listing opened, or when only the full table kept it shut
	if (!listed) scan(dir >= 0 || full);
	writer_flush(writer_out);
	return 0;
}
