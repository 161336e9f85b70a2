#pragma once
#include <stdint.h>

// The whole scanner state; the caller owns it, so scans are re-entrant.
struct opt_state {
	char opt;
	const char* arg;
	const char* spec;
	uint64_t ind;
	uint64_t argc;
	char* const* argv;
	uint64_t pos;
};

void opt_init(opt_state* s, int32_t argc, char* const* argv, const char* spec, uint64_t start);
char opt_next(opt_state* s);
const char* program_name(const opt_state* s);
