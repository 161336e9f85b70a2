#include <errno.h>
#include <fcntl.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>
#include "bytes.hpp"
#include "file.hpp"
#include "front.hpp"
#include "writer.hpp"

namespace {

struct namespace_kind {
	const char* name;
	uint64_t initial;  // the inode number of the kind's initial namespace
};

constexpr char time_kind[] = "time";
constexpr namespace_kind namespace_kinds[] = {
	{"cgroup", 4026531835}, {"ipc", 4026531839}, {"mnt", 4026531832}, {"net", 4026531833},
	{"pid", 4026531836}, {time_kind, 4026531834}, {"user", 4026531837}, {"uts", 4026531838},
};

constexpr const char* failed = "[query failed]";
constexpr const char* not_provided = "[not provided on this platform]";

void print_line(const char* label, const char* value)
{
	writer_print(writer_out, label, ":\t", value, "\n", nullptr);
}

// The digits of "KIND:[digits]", or null when the target has another form.
const char* inode_digits(const char* kind, char* target, uint64_t len, uint64_t* value)
{
	uint64_t name = cstr_length(kind), n = 0;
	if (len < name + 4 || len > name + 3 + 20 || target[len - 1] != ']') return nullptr;
	for (uint64_t i = 0; i < name; ++i)
		if (target[i] != kind[i]) return nullptr;
	if (target[name] != ':' || target[name + 1] != '[') return nullptr;
	target[len - 1] = 0;
	for (const char* p = target + name + 2; *p; ++p) {
		if (*p < '0' || *p > '9' || n > (UINT64_MAX - 9) / 10) return nullptr;
		n = n * 10 + uint64_t(*p - '0');
	}
	*value = n;
	return target + name + 2;
}

// False when the kernel has no namespaces of the kind.
bool print_namespace(int dir, const namespace_kind& kind, char* buf, uint64_t cap)
{
	char label[16] = "ns/";
	bytes_copy(label + 3, kind.name, cstr_length(kind.name) + 1);
	ssize_t len = dir < 0 ? -1 : readlinkat(dir, kind.name, buf, cap);
	bool provided = len >= 0 || dir < 0 || errno != ENOENT;
	if (len < 0) return print_line(label, provided ? failed : not_provided), provided;
	uint64_t inode = 0;
	const char* digits = inode_digits(kind.name, buf, uint64_t(len), &inode);
	if (!digits) return print_line(label, failed), true;
	writer_print(writer_out, label, ":\t", digits, inode == kind.initial ? "\tinitial\n" : "\n", nullptr);
	return true;
}

// Each line's numbers, however the kernel pads them, joined by one space.
void print_map(const char* label, const char* path, char* buf, uint64_t cap)
{
	int64_t len = file_read(AT_FDCWD, path, buf, cap);
	if (len < 0) return print_line(label, failed);
	if (len == 0) return print_line(label, "-");
	for (const char *p = buf, *end = buf + len; p < end;) {
		const char* stop = p;
		while (stop < end && *stop != '\n') ++stop;
		writer_print(writer_out, label, ":\t", nullptr);
		for (const char* sep = ""; p < stop;) {
			while (p < stop && *p == ' ') ++p;
			const char* word = p;
			while (p < stop && *p != ' ') ++p;
			if (p == word) break;
			writer_puts(writer_out, sep);
			writer_put(writer_out, word, uint64_t(p - word));
			sep = " ";
		}
		writer_puts(writer_out, "\n");
		p = stop + 1;
	}
}

// The system call's path, escaped: C libraries refuse one that does not
// start with "/", which the kernel gives for a directory outside the root.
void print_cwd(char* buf, uint64_t cap)
{
	long len = syscall(SYS_getcwd, buf, long(cap));
	if (len <= 0) return print_line("Cwd", failed);
	writer_field_escaped(writer_out, "Cwd", buf, uint64_t(len) - 1);
}

// Names someone else chose, escaped so that none can forge a line.
void print_names()
{
	utsname u;
	if (uname(&u)) {
		print_line("Hostname", failed);
		return print_line("Domainname", failed);
	}
	writer_field_escaped(writer_out, "Hostname", u.nodename, cstr_length(u.nodename));
	writer_field_escaped(writer_out, "Domainname", u.domainname, cstr_length(u.domainname));
}

void print_root()
{
	struct statfs s;
	if (statfs("/", &s)) return print_line("Root", failed);
	print_line("Root", s.f_flags & ST_RDONLY ? "ro" : "rw");
}

} // namespace

// A link target or a path; an id map of the most lines the kernel allows.
[[gnu::common]] char path_buffer[4096];
[[gnu::common]] char map_buffer[12288];

int main(int argc, char** argv)
{
	standard_options(argc, argv);
	int dir = openat(AT_FDCWD, "/proc/self/ns", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	bool times = true;  // time namespaces, Linux 5.6
	for (const auto& kind : namespace_kinds)
		if (!print_namespace(dir, kind, path_buffer, sizeof path_buffer) && kind.name == time_kind) times = false;
	if (dir >= 0) close(dir);
	print_map("UidMap", "/proc/self/uid_map", map_buffer, sizeof map_buffer);
	print_map("GidMap", "/proc/self/gid_map", map_buffer, sizeof map_buffer);
	print_names();
	print_cwd(path_buffer, sizeof path_buffer);
	print_root();
	// the clocks' offsets, one line each, as the maps are written
	if (times) print_map("TimeOffset", "/proc/self/timens_offsets", map_buffer, sizeof map_buffer);
	else print_line("TimeOffset", not_provided);
	writer_flush(writer_out);
	return 0;
}
