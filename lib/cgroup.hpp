#pragma once
#include <stdint.h>
#include "writer.hpp"

// This process's control groups: /proc/self/cgroup read whole once, its
// lines found once, and a controller's files read in the process's group.

// One whole line, "ID:CONTROLLERS:PATH", as offsets into the text.
struct cgroup_line {
	uint32_t start, controllers, path, end;
};

// Lines past the most kept, or a line the buffer cut, leave a controller
// that no kept line names unknown: its files are failed queries then,
// never a read of the hierarchy's root.
// The lines come before the text, so that a short file and its lines
// share one page.
inline constexpr uint32_t cgroup_lines_max = 64;
struct cgroup_table {
	uint64_t len;
	bool cut;   // the text ends in a line the buffer cut
	bool lost;  // lines may be missing from the table
	uint32_t count;
	cgroup_line lines[cgroup_lines_max];
	char text[65536];
};
[[gnu::common]] extern cgroup_table cgroup;

// Reads and splits the file; false, with errno set, when it cannot be read.
bool cgroup_load();

// One "Cgroup" line per line of the loaded file, escaped, a cut line as
// "[query failed]"; one failed line when nothing was loaded.
void cgroup_print(writer* w, bool loaded);

// Exactly one line, and it starts with "0::".
bool cgroup_unified();

// Where a controller's files are: null for the unified hierarchy.
struct cgroup_group {
	const char* controller;
	const char* path;  // the group's, from its line; null when none names it
	uint32_t len;
	bool unknown;      // no kept line names it, and one may have been lost
};
cgroup_group cgroup_find(const char* controller);

// The group's file read into buf, or else the one in the controller's own
// place, where a container that has only its own folder mounted keeps it:
// the bytes held, or -1 with errno: ENOENT in neither place, EIO for an
// unknown group, EFBIG for a text that fills buf, ENAMETOOLONG for a path
// that does not fit. buf holds each path until it is opened, so that no
// buffer of its own is needed: at 4096 bytes it holds every path the
// kernel takes.
int64_t cgroup_read(const cgroup_group& g, const char* name, char* buf, uint64_t cap);
