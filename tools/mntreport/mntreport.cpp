#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>
#include "file.hpp"
#include "front.hpp"
#include "writer.hpp"

// The mount table, read in pieces with the unfinished line kept at the
// start; a directory's first entries. Common symbols, after the other
// zeroed data.
[[gnu::common]] char table[65536];
alignas(directory_entry) [[gnu::common]] char entries[4096];

namespace {

// The paths the engines' default configurations mask or make read-only.
constexpr const char* guarded_paths[] = {
	"/proc/acpi",
	"/proc/asound",
	"/proc/bus",
	"/proc/fs",
	"/proc/interrupts",
	"/proc/irq",
	"/proc/kcore",
	"/proc/keys",
	"/proc/latency_stats",
	"/proc/sched_debug",
	"/proc/scsi",
	"/proc/sys",
	"/proc/sysrq-trigger",
	"/proc/timer_list",
	"/proc/timer_stats",
	"/sys/dev/block",
	"/sys/devices/virtual/powercap",
	"/sys/firmware",
	"/sys/fs/selinux",
};

constexpr const char* failed = "[query failed]";

struct field {
	const char* s;
	uint64_t n;
};

// The fields of a line, each up to the next single space.
struct fields {
	const char* at;
	const char* end;
	bool next(field& f)
	{
		if (at > end) return false;
		f.s = at;
		while (at < end && *at != ' ') ++at;
		f.n = uint64_t(at++ - f.s);
		return true;
	}
};

// The kernel has escaped a space, a tab, a newline and a backslash in a
// name already; any other control byte it leaves is escaped here.
void put(const field& f, char after)
{
	writer_escaped(writer_out, f.s, f.n, false);
	writer_put(writer_out, &after, 1);
}

// "ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [TAG...] - TYPE SOURCE SUPER";
// false, with nothing written, when the line has another form.
bool print_mount(const char* line, uint64_t n)
{
	fields in{line, line + n};
	field f[6], tags{nullptr, 0}, tag, type, source;
	for (field& each : f)
		if (!in.next(each)) return false;
	const char* tags_start = in.at;
	for (;;) {
		if (!in.next(tag)) return false;
		if (tag.n == 1 && *tag.s == '-') break;
		tags = {tags_start, uint64_t(tag.s + tag.n - tags_start)};
	}
	if (!in.next(type) || !in.next(source)) return false;
	field super{in.at < in.end ? in.at : in.end, uint64_t(in.at < in.end ? in.end - in.at : 0)};
	writer_puts(writer_out, "Mount:\t");
	put(f[4], '\t'), put(type, '\t'), put(source, '\t'), put(f[3], '\t'), put(f[5], '\t');
	// the tags joined by commas
	if (!tags.n) writer_puts(writer_out, "private\t");
	for (fields t{tags.s, tags.s + tags.n}; tags.n && t.next(tag);) put(tag, t.at <= t.end ? ',' : '\t');
	put(super, '\n');
	return true;
}

void print_line(const char* line, uint64_t n)
{
	if (!print_mount(line, n)) writer_puts(writer_out, "Mount:\t[query failed]\n");
}

// Each whole line as it arrives; a line longer than the buffer is a failed
// one, skipped to its end.
void print_mounts()
{
	long fd = syscall(SYS_openat, AT_FDCWD, "/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
	if (fd < 0) return void(writer_puts(writer_out, "Mount:\t[query failed]\n"));
	uint64_t held = 0;
	bool skipping = false;
	for (;;) {
		long got = syscall(SYS_read, fd, table + held, long(sizeof table - held));
		if (got < 0 && errno == EINTR) continue;
		if (got < 0) writer_puts(writer_out, "Mount:\t[query failed]\n");
		if (got <= 0) break;
		// the carried bytes hold no newline: only what arrived is scanned
		uint64_t start = 0, i = held;
		held += uint64_t(got);
		for (; i < held; ++i) {
			if (table[i] != '\n') continue;
			if (!skipping) print_line(table + start, i - start);
			skipping = false;
			start = i + 1;
		}
		if (start == 0 && held == sizeof table) {
			if (!skipping) writer_puts(writer_out, "Mount:\t[query failed]\n");
			skipping = true;
			start = held;
		}
		// the unfinished line to the start, a byte at a time: the two overlap
		for (uint64_t i = start; i < held; ++i) table[i - start] = table[i];
		held -= start;
	}
	if (held && !skipping) print_line(table, held);
	syscall(SYS_close, fd);
}

// 1 when the folder holds nothing but "." and "..", 0 when it holds more,
// -1 when it cannot be read.
int empty_folder(const char* path)
{
	long dir = syscall(SYS_openat, AT_FDCWD, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (dir < 0) return -1;
	int empty = 1;
	for (long got; empty == 1 && (got = syscall(SYS_getdents64, dir, entries, sizeof entries)) != 0;) {
		if (got < 0) empty = -1;
		for (long at = 0; empty == 1 && at < got; at += reinterpret_cast<const directory_entry*>(entries + at)->length) {
			const char* name = reinterpret_cast<const directory_entry*>(entries + at)->name;
			if (name[0] != '.' || (name[1] && (name[1] != '.' || name[2]))) empty = 0;
		}
	}
	syscall(SYS_close, dir);
	return empty;
}

// Masked: a mount's root that is the null device bound over it, or an
// empty folder on a read-only mount.
const char* state_of(const char* path)
{
	file_status st;
	if (syscall(SYS_statx, AT_FDCWD, path, 0, statx_type | statx_mode, &st)) return errno == ENOENT ? "absent" : failed;
	bool root = st.attributes_mask & st.attributes & statx_attr_mount_root;
	if (root && S_ISCHR(st.mode) && st.rdev_major == 1 && st.rdev_minor == 3) return "masked";
	struct statfs fs;
	if (statfs(path, &fs)) return failed;
	bool ro = fs.f_flags & ST_RDONLY;
	if (root && ro && S_ISDIR(st.mode)) {
		int empty = empty_folder(path);
		if (empty) return empty > 0 ? "masked" : failed;
	}
	return ro ? "ro" : "rw";
}

void print_path(const char* path)
{
	writer_puts(writer_out, "Path:\t");
	writer_escaped(writer_out, path, cstr_length(path), true);
	writer_print(writer_out, "\t", state_of(path), "\n", nullptr);
}

} // namespace

int main(int argc, char** argv)
{
	int32_t first = standard_options(argc, argv, " [PATH...]");
	print_mounts();
	if (first < argc)
		for (int32_t i = first; i < argc; ++i) print_path(argv[i]);
	else
		for (const char* path : guarded_paths) print_path(path);
	writer_flush(writer_out);
	return 0;
}
