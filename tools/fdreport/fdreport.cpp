#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stddef.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>
#include "format.hpp"
#include "front.hpp"
#include "writer.hpp"

// getdents64's records, each with its name after the fixed fields.
struct directory_entry {
	uint64_t inode;
	int64_t offset;
	uint16_t length;
	uint8_t type;
	char name[1];
};

// statx's record, as far as this reads it: the same on every
// architecture, where each one's stat records differ.
struct file_status {
	uint32_t mask, block_size;
	uint64_t attributes;
	uint32_t links, uid, gid;
	uint16_t mode, spare;
	uint64_t more[12];
	uint32_t rdev_major, rdev_minor;
	uint64_t rest[15];
};
static_assert(sizeof(file_status) == 256 && offsetof(file_status, rdev_major) == 128);
constexpr unsigned statx_type = 1;

// A common symbol, which the linker puts after the other zeroed data, so
// that the output buffer shares the data's page: a page of its own would
// cost a fault.
struct fd_buffers {
	alignas(directory_entry) char entries[4096];
	char target[4096];
	sockaddr_storage address;
	pollfd polls[1024];
};
[[gnu::common]] fd_buffers descriptor_buffers;
static char* const entries = descriptor_buffers.entries;
static char* const target = descriptor_buffers.target;
static sockaddr_storage& address = descriptor_buffers.address;
static pollfd* const polls = descriptor_buffers.polls;

struct named {
	int value;
	const char* name;
};

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

static constexpr named families[] = {
	{AF_UNIX, "unix"},
	{AF_INET, "inet"},
	{AF_INET6, "inet6"},
	{AF_NETLINK, "netlink"},
	{AF_PACKET, "packet"},
	{AF_VSOCK, "vsock"},
};

static constexpr named socket_types[] = {
	{SOCK_STREAM, "stream"},
	{SOCK_DGRAM, "dgram"},
	{SOCK_SEQPACKET, "seqpacket"},
	{SOCK_RAW, "raw"},
	{SOCK_RDM, "rdm"},
};

// Every piece goes out through these, each called from many places: kept
// out of line, they cost a call each instead of a copy each.
[[gnu::noinline]] static void put(const char* s)
{
	writer_puts(writer_out, s);
}

[[gnu::noinline]] static void put_bytes(const char* s, uint64_t n)
{
	writer_put(writer_out, s, n);
}

[[gnu::noinline]] static void put_decimal(uint64_t v)
{
	char text[decimal_text_max];
	put(decimal_text(text, v));
}

[[gnu::noinline]] static const char* name_of(const named* table, uint64_t count, int value)
{
	for (uint64_t i = 0; i < count; ++i)
		if (table[i].value == value) return table[i].name;
	return nullptr;
}

template <uint64_t N>
static const char* name_of(const named (&table)[N], int value)
{
	return name_of(table, N, value);
}

// The table's name, or the prefix and the number.
template <uint64_t N>
static void put_named(const named (&table)[N], int value, const char* prefix)
{
	const char* name = name_of(table, value);
	put(name ? name : prefix);
	if (!name) put_decimal(uint32_t(value));
}

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
	const char* comma = "";
	for (const named& f : open_flags)
		if (flags >= 0 && (flags & f.value) == f.value) {
			put(comma);
			put(f.name);
			flags &= ~f.value;
			comma = ",";
		}
	if (!*comma) put("-");
}

// Lower-case groups without leading zeros, the longest run of two or more
// zero groups (the first of equal ones) as "::", never a dotted quad.
static void put_ipv6(const uint8_t* a)
{
	uint32_t g[8];
	for (int i = 0; i < 8; ++i) g[i] = uint32_t(a[2 * i]) << 8 | a[2 * i + 1];
	int run = -1, run_len = 1;
	for (int i = 0, j; i < 8; i = j + 1) {
		for (j = i; j < 8 && !g[j]; ++j) {}
		if (j - i > run_len) run = i, run_len = j - i;
	}
	char text[40], *p = text;
	for (int i = 0; i < 8; ++i) {
		if (i == run) {
			*p++ = ':';
			*p++ = ':';
			i += run_len - 1;
			continue;
		}
		if (i && i != run + run_len) *p++ = ':';
		p += format_hex(p, g[i]);
	}
	put_bytes(text, uint64_t(p - text));
}

// Only what getsockname returned is read.
static void put_address(int family, uint64_t len)
{
	auto* in = reinterpret_cast<const sockaddr_in*>(&address);
	auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address);
	const char* path = reinterpret_cast<const sockaddr_un*>(&address)->sun_path;
	const uint64_t path_at = offsetof(sockaddr_un, sun_path);
	if (family == AF_INET && len >= sizeof(sockaddr_in)) {
		auto* a = reinterpret_cast<const uint8_t*>(&in->sin_addr);
		for (int i = 0; i < 4; ++i) {
			put(i ? "." : " ");
			put_decimal(a[i]);
		}
		put(":");
		put_decimal(ntohs(in->sin_port));
	} else if (family == AF_INET6 && len >= sizeof(sockaddr_in6)) {
		put(" [");
		put_ipv6(reinterpret_cast<const uint8_t*>(&in6->sin6_addr));
		if (in6->sin6_scope_id) {
			put("%");
			put_decimal(in6->sin6_scope_id);
		}
		put("]:");
		put_decimal(ntohs(in6->sin6_port));
	} else if (family == AF_UNIX && len > path_at && *path) {
		uint64_t end = 0;
		while (end < len - path_at && path[end]) ++end;
		put(" ");
		put_bytes(path, end);
	} else if (family == AF_UNIX && len > path_at) {
		put(" @");
		put_bytes(path + 1, len - path_at - 1);
	}
}

static int socket_option(int fd, int option)
{
	int value = 0;
	socklen_t len = sizeof value;
	return getsockopt(fd, SOL_SOCKET, option, &value, &len) ? -1 : value;
}

static void put_socket(int fd)
{
	int family = socket_option(fd, SO_DOMAIN);
	if (family < 0) return put("-");
	put_named(families, family, "af");
	put(" ");
	int type = socket_option(fd, SO_TYPE);
	if (type < 0) put("?");
	else put_named(socket_types, type, "type");
	if (socket_option(fd, SO_ACCEPTCONN) == 1) put(" listening");
	socklen_t len = sizeof address;
	if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &len) == 0)
		put_address(family, len < sizeof address ? len : sizeof address);
}

// One line: number, kind, access, flags, detail, and the target last, so
// that a tab inside it shifts nothing. The type from statx, whose record
// is the same everywhere.
static void print_descriptor(int fd, const char* where, uint64_t where_len)
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
	put_bytes(where, where_len);
	put("\n");
}

static int number_of(const char* name)
{
	int n = 0;
	for (; *name >= '0' && *name <= '9'; ++name) n = n * 10 + (*name - '0');
	return *name ? -1 : n;
}

// The kernel lists the entries in ascending order.
static void list(int dir)
{
	for (long got; (got = syscall(SYS_getdents64, dir, entries, sizeof descriptor_buffers.entries)) > 0;)
		for (long at = 0; at < got;) {
			auto* entry = reinterpret_cast<const directory_entry*>(entries + at);
			at += entry->length;
			int fd = number_of(entry->name);
			if (fd < 0 || fd == dir) continue;
			ssize_t n = readlinkat(dir, entry->name, target, sizeof descriptor_buffers.target);
			if (n < 0) print_descriptor(fd, "-", 1);
			else print_descriptor(fd, target, uint64_t(n));
		}
}

// Without /proc: poll the numbers below the soft limit in batches; poll
// marks those that are not open. It cannot see O_PATH descriptors.
static void scan()
{
	rlimit r;
	uint64_t limit = getrlimit(RLIMIT_NOFILE, &r) ? 1024 : r.rlim_cur;
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
			if (open) print_descriptor(fd, "-", 1);
		}
	}
}

int main(int argc, char** argv)
{
	standard_options(argc, argv);
	// the call itself: musl's open sets O_CLOEXEC a second time, for old kernels
	int dir = int(syscall(SYS_openat, AT_FDCWD, "/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
	if (dir >= 0) {
		list(dir);
		close(dir);
	} else {
		scan();
	}
	writer_flush(writer_out);
	return 0;
}
