#pragma once
#include <stdint.h>

// The name every message starts with: the last component of argv[0].
extern const char* prog_name;

// Returns only when the report is to run; -h, -V and usage errors end
// the process after flushing the standard-error writer.
void standard_options(int32_t argc, char* const* argv);
