#include <errno.h>
#include <fcntl.h>
#include "bytes.hpp"
#include "cgroup.hpp"
#include "file.hpp"
#include "writer.hpp"

namespace {

struct cgroup_file {
	const char* controller;  // null in the unified hierarchy
	const char* name;
};

constexpr cgroup_file unified_files[] = {
	{nullptr, "memory.max"}, {nullptr, "memory.high"}, {nullptr, "memory.low"}, {nullptr, "memory.swap.max"},
	{nullptr, "pids.max"}, {nullptr, "cpu.max"}, {nullptr, "cpu.weight"}, {nullptr, "cpuset.cpus.effective"},
};
constexpr cgroup_file v1_files[] = {
	{"memory", "memory.limit_in_bytes"}, {"memory", "memory.soft_limit_in_bytes"},
	{"memory", "memory.memsw.limit_in_bytes"}, {"pids", "pids.max"}, {"cpu", "cpu.cfs_quota_us"},
	{"cpu", "cpu.cfs_period_us"}, {"cpu", "cpu.shares"}, {"cpuset", "cpuset.effective_cpus"},
};
static_assert(sizeof unified_files == sizeof v1_files);

// One line of /proc/self/cgroup: "ID:CONTROLLERS:PATH".
struct line {
	const char* start;
	uint64_t len;
};

// A path of the most a kernel gives and a limit file's text.
[[gnu::common]] char path_buffer[4096];
[[gnu::common]] char value_buffer[4096];

struct path_builder {
	char* at = path_buffer;
	bool fits = true;
	path_builder& add(const char* s, uint64_t n)
	{
		fits = fits && n < uint64_t(path_buffer + sizeof path_buffer - at);
		if (fits) at = bytes_copy(at, s, n) + n;
		return *this;
	}
	path_builder& add(const char* s) { return add(s, cstr_length(s)); }
	const char* done()
	{
		add("", 1);
		return fits ? path_buffer : nullptr;
	}
};

// Whether the comma-separated list holds the controller.
bool names(const char* list, uint64_t len, const char* controller)
{
	uint64_t n = cstr_length(controller);
	for (uint64_t at = 0; at <= len;) {
		uint64_t end = at;
		while (end < len && list[end] != ',') ++end;
		if (end - at == n) {
			uint64_t i = 0;
			while (i < n && list[at + i] == controller[i]) ++i;
			if (i == n) return true;
		}
		at = end + 1;
	}
	return false;
}

// The path of the line whose middle field names the controller, or null.
const char* path_of(const line* lines, uint64_t count, const char* controller, uint64_t* len)
{
	for (uint64_t i = 0; i < count; ++i) {
		const char* first = lines[i].start;
		const char* end = first + lines[i].len;
		while (first < end && *first != ':') ++first;
		const char* second = first + 1;
		while (second < end && *second != ':') ++second;
		if (second >= end || !names(first + 1, uint64_t(second - first - 1), controller)) continue;
		*len = uint64_t(end - second - 1);
		return second + 1;
	}
	return nullptr;
}

// The group's folder first; the controller's own place where it has none.
int64_t read_limit(const cgroup_file& f, const char* path, uint64_t path_len)
{
	int64_t n = -1;
	errno = ENOENT;
	// a group at the root is the controller's own place: read once
	for (int fallback = path && path_len > 1 ? 0 : 1; fallback < 2 && n < 0 && errno == ENOENT; ++fallback) {
		path_builder p;
		p.add("/sys/fs/cgroup");
		if (f.controller) p.add("/").add(f.controller);
		if (!fallback) p.add(path, path_len);
		if (p.at[-1] != '/') p.add("/");
		const char* full = p.add(f.name).done();
		if (!full) return errno = ENAMETOOLONG, -1;
		n = file_read(AT_FDCWD, full, value_buffer, sizeof value_buffer);
	}
	return n;
}

void print_file(const cgroup_file& f, const char* path, uint64_t path_len)
{
	int64_t n = read_limit(f, path, path_len);
	if (n < 0) return void(writer_print(writer_out, f.name, ":\t", errno == ENOENT ? "-" : "[query failed]", "\n", nullptr));
	if (n > 0 && value_buffer[n - 1] == '\n') --n;
	writer_field(writer_out, f.name, value_buffer, uint64_t(n));
}

} // namespace

void print_cgroup(char* text, uint64_t cap)
{
	int64_t len = file_read(AT_FDCWD, "/proc/self/cgroup", text, cap);
	if (len < 0) return void(writer_puts(writer_out, "Cgroup:\t[query failed]\n"));
	// a line the buffer cut is no line: it shows as failed and names no group
	line lines[64];
	uint64_t count = 0;
	bool cut = false;
	for (const char *p = text, *end = text + len; p < end;) {
		const char* stop = p;
		while (stop < end && *stop != '\n') ++stop;
		cut = stop == end && uint64_t(len) == cap;
		writer_field(writer_out, "Cgroup", cut ? "[query failed]" : p, cut ? 14 : uint64_t(stop - p));
		if (!cut && count < sizeof lines / sizeof lines[0]) lines[count++] = {p, uint64_t(stop - p)};
		p = stop + 1;
	}
	bool unified = count == 1 && !cut && lines[0].len >= 3 && lines[0].start[0] == '0' && lines[0].start[1] == ':' &&
		       lines[0].start[2] == ':';
	for (const auto& f : unified ? unified_files : v1_files) {
		uint64_t path_len = 0;
		const char* path = path_of(lines, count, f.controller ? f.controller : "", &path_len);
		print_file(f, path, path_len);
	}
}
