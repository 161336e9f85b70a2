#pragma once
#include <stdint.h>

// The name every message starts with: the last component of argv[0].
extern const char* prog_name;

// Returns only when the report is to run, with the index of the first
// operand: the first argument, or the second when the first is "--".
// -h, -V and usage errors end the process after flushing the
// standard-error writer; the usage line names the operands, if any
// (" [PATH...]"), after the options.
int32_t standard_options(int32_t argc, char* const* argv, const char* operands = "");
