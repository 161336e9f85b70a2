#include <fcntl.h>
#include "cgroup.hpp"
#include "file.hpp"

// A common symbol, after the other zeroed data: only the pages the file
// fills are ever touched, and none of the small data is pushed apart.
[[gnu::common]] cgroup_table cgroup;

static uint32_t find(uint32_t at, uint32_t end, char c)
{
	while (at < end && cgroup.text[at] != c) ++at;
	return at;
}

// Where the last line starts: after the last newline.
static uint32_t last_line(uint32_t len)
{
	while (len && cgroup.text[len - 1] != '\n') --len;
	return len;
}

bool cgroup_load()
{
	int64_t n = file_read(AT_FDCWD, "/proc/self/cgroup", cgroup.text, sizeof cgroup.text);
	if (n < 0) return false;
	cgroup.len = uint64_t(n);
	// a full buffer may have more after it
	cgroup.lost = cgroup.len == sizeof cgroup.text;
	cgroup.cut = cgroup.lost && cgroup.text[n - 1] != '\n';
	cgroup.count = 0;
	const uint32_t whole = cgroup.cut ? last_line(uint32_t(n)) : uint32_t(n);
	for (uint32_t at = 0, end; at < whole; at = end + 1) {
		end = find(at, whole, '\n');
		if (cgroup.count == cgroup_lines_max) return cgroup.lost = true;
		uint32_t first = find(at, end, ':'), second = first < end ? find(first + 1, end, ':') : end;
		if (second < end) cgroup.lines[cgroup.count++] = {at, first + 1, second + 1, end};
	}
	return true;
}
