#include "cgroup.hpp"

void cgroup_print(writer* w, bool loaded)
{
	if (!loaded) return void(writer_puts(w, "Cgroup:\t[query failed]\n"));
	const char* text = cgroup.text;
	for (uint64_t at = 0, end; at < cgroup.len; at = end + 1) {
		for (end = at; end < cgroup.len && text[end] != '\n';) ++end;
		if (end == cgroup.len && cgroup.cut) writer_puts(w, "Cgroup:\t[query failed]\n");
		else writer_field_escaped(w, "Cgroup", text + at, end - at);
	}
}
