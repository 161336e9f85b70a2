#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include "bytes.hpp"
#include "cgroup.hpp"
#include "file.hpp"
#include "format.hpp"
#include "front.hpp"
#include "writer.hpp"

// /dev and the four levels of folders below it that are entered.
constexpr uint64_t levels = 5;

// A folder's entries for each level, the path of the entry at hand, and
// a link's target, which the allow list, read after the walk, takes the
// place of: one page fewer to touch. Common symbols, after the other
// zeroed data: only what is filled is ever touched.
struct device_buffers {
	alignas(directory_entry) char entries[levels][4096];
	char path[4096];
	union {
		char target[4096];
		char allow[8192];
	};
};
[[gnu::common]] device_buffers buffers;

namespace {

constexpr const char* failed = "[query failed]";

// "LABEL:\t", the path, escaped unless it is plain, "\t"
template <uint64_t N>
void put_path(const char (&label)[N], uint64_t len, bool plain)
{
	writer_put(writer_out, label, N - 1);
	if (plain) writer_put(writer_out, buffers.path, len);
	else writer_escaped(writer_out, buffers.path, len, true);
	writer_put(writer_out, "\t", 1);
}

// The decimal digits of v, then after.
char* with_number(char* at, uint64_t v, char after)
{
	if (v < 10) *at++ = char('0' + v);  // uid, gid and many minor numbers
	else at += format_decimal(at, v);
	*at = after;
	return at + 1;
}

// "c 1:3\t0666\t0\t0": the kind, the number, the permission bits, the
// owner, made whole before it goes to the writer.
void print_device(const file_status& st, uint64_t len, bool plain)
{
	char line[2 + 4 * decimal_text_max + 5];
	char* at = bytes_copy(line, S_ISCHR(st.mode) ? "c " : "b ", 2) + 2;
	at = with_number(with_number(at, st.rdev_major, ':'), st.rdev_minor, '\t');
	for (int shift = 9; shift >= 0; shift -= 3) *at++ = char('0' + (st.mode >> shift & 7));
	*at++ = '\t';
	at = with_number(with_number(at, st.uid, '\t'), st.gid, '\n');
	put_path("Device:\t", len, plain);
	writer_put(writer_out, line, uint64_t(at - line));
}

void print_link(int dir, const char* name, uint64_t len, bool plain)
{
	long n = syscall(SYS_readlinkat, dir, name, buffers.target, long(sizeof buffers.target));
	put_path("Link:\t", len, plain);
	if (n < 0 || uint64_t(n) == sizeof buffers.target) return void(writer_print(writer_out, failed, "\n", nullptr));
	writer_escaped(writer_out, buffers.target, uint64_t(n), true);
	writer_puts(writer_out, "\n");
}

void walk(long dir, uint64_t level, uint64_t len, bool plain);

// The entry named in the open folder dir, whose path is the first len
// bytes of the path buffer, plain when no byte of it needs escaping: its
// line, or its own entries.
void visit(long dir, const directory_entry& e, uint64_t level, uint64_t len, bool plain)
{
	uint8_t type = e.type;
	file_status st;
	if (type == DT_UNKNOWN || type == DT_CHR || type == DT_BLK) {
		if (syscall(SYS_statx, dir, e.name, AT_SYMLINK_NOFOLLOW, statx_type | statx_mode | statx_uid | statx_gid, &st)) {
			put_path("Device:\t", len, plain);
			return void(writer_print(writer_out, failed, "\n", nullptr));
		}
		type = uint8_t(IFTODT(st.mode));
	}
	if (type == DT_CHR || type == DT_BLK) return print_device(st, len, plain);
	if (type == DT_LNK) return print_link(int(dir), e.name, len, plain);
	if (type != DT_DIR || level + 1 == levels) return;
	long sub = syscall(SYS_openat, dir, e.name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (sub < 0) return;  // a folder that cannot be opened is skipped
	walk(sub, level + 1, len, plain);
	syscall(SYS_close, sub);
}

// Each entry of the open folder in the kernel's order, depth first; its
// path is the first len bytes of the path buffer.
void walk(long dir, uint64_t level, uint64_t len, bool plain)
{
	char* entries = buffers.entries[level];
	for (long got; (got = syscall(SYS_getdents64, dir, entries, long(sizeof buffers.entries[level]))) > 0;)
		for (long at = 0; at < got; at += reinterpret_cast<const directory_entry*>(entries + at)->length) {
			const directory_entry& e = *reinterpret_cast<const directory_entry*>(entries + at);
			if (e.name[0] == '.' && (!e.name[1] || (e.name[1] == '.' && !e.name[2]))) continue;
			// a name has at most 255 bytes: five levels of them always fit
			uint64_t n = 0;
			bool plain_name = plain;
			for (uint8_t c; (c = uint8_t(e.name[n])); ++n) plain_name &= c >= 0x20 && c != 0x7f && c != '\\';
			buffers.path[len] = '/';
			bytes_copy(buffers.path + len + 1, e.name, n);
			visit(dir, e, level, len + 1 + n, plain_name);
		}
}

// The device controller's allow list, under the version 1 hierarchies.
void print_allow()
{
	if (!cgroup_load()) return void(writer_print(writer_out, "Allow:\t", failed, "\n", nullptr));
	if (cgroup_unified()) return void(writer_puts(writer_out, "Allow:\t-\n"));
	int64_t n = cgroup_read(cgroup_find("devices"), "devices.list", buffers.allow, sizeof buffers.allow);
	if (n < 0) return void(writer_print(writer_out, "Allow:\t", errno == ENOENT ? "-" : failed, "\n", nullptr));
	if (n == 0) return void(writer_puts(writer_out, "Allow:\t\n"));
	for (uint64_t at = 0, end; at < uint64_t(n); at = end + 1) {
		for (end = at; end < uint64_t(n) && buffers.allow[end] != '\n';) ++end;
		writer_field_escaped(writer_out, "Allow", buffers.allow + at, end - at);
	}
}

} // namespace

int main(int argc, char** argv)
{
	standard_options(argc, argv);
	long dev = syscall(SYS_openat, AT_FDCWD, "/dev", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (dev < 0) {
		writer_print(writer_out, "Device:\t", failed, "\n", nullptr);
	} else {
		bytes_copy(buffers.path, "/dev", 4);
		walk(dev, 0, 4, true);
		syscall(SYS_close, dev);
	}
	print_allow();
	writer_flush(writer_out);
	return 0;
}
