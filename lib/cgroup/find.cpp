#include "bytes.hpp"
#include "cgroup.hpp"

// Whether the comma-separated list from at to end holds the name.
static bool names(uint32_t at, uint32_t end, const char* name, uint64_t n)
{
	const char* t = cgroup.text;
	for (uint32_t stop; at <= end; at = stop + 1) {
		for (stop = at; stop < end && t[stop] != ',';) ++stop;
		uint64_t i = 0;
		if (stop - at == n)
			while (i < n && t[at + i] == name[i]) ++i;
		if (stop - at == n && i == n) return true;
	}
	return false;
}

cgroup_group cgroup_find(const char* controller)
{
	const char* name = controller ? controller : "";
	const uint64_t n = cstr_length(name);
	for (uint32_t i = 0; i < cgroup.count; ++i) {
		const cgroup_line& l = cgroup.lines[i];
		if (names(l.controllers, l.path - 1, name, n)) return {controller, cgroup.text + l.path, l.end - l.path, false};
	}
	return {controller, nullptr, 0, cgroup.lost};
}
