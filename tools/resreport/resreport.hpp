#pragma once
#include <stdint.h>
#include "writer.hpp"

// The "Cgroup" lines of this process, then the limit files of the
// hierarchy in use, each read into value in its group's folder or, where
// that has none, in the controller's own place.
void print_cgroup(char* value, uint64_t cap);

// The first count CPUs of the mask, in the kernel's words, as the list
// Cpus_allowed_list shows: ascending, runs of two or more as FIRST-LAST.
void cpus_print(writer* w, const unsigned long* mask, uint64_t count);
