#pragma once
#include <stdint.h>
#include "writer.hpp"

// One "Label" line per record that lsm_get_self_attr left in buf, count
// records in used bytes, or the line that says why there is none.
void label_records_print(writer* w, const char* buf, uint64_t used, uint64_t count);

// One "Label" line for a module's label, without the NUL and newline
// bytes that end it, and escaped: a profile's name is anyone's choice.
void label_print(writer* w, const char* module, const char* text, uint64_t len);

// This process's lines: from the system call, or from the label files
// where a kernel before 6.8 or a seccomp filter refuses it.
void print_labels(writer* w);
