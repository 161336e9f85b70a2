#pragma once
#include <stdint.h>

// The "Cgroup" lines of this process, then the limit files of the
// hierarchy in use, each read in its group's folder or, where that has
// none, in the controller's own place.
void print_cgroup(char* text, uint64_t cap);
