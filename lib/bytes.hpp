#pragma once
#include <stdint.h>

uint64_t cstr_length(const char* s);
uint64_t cstr_index(const char* s, uint8_t c);
int32_t cstr_compare(const char* a, const char* b);
char* bytes_copy_run(char* dst, const char* src, uint64_t n);

// The ranges must not overlap. A length known when compiling (a
// literal's) is copied in place, where the compiler may join the stores;
// any other goes to the loop, which moves a word at a time.
inline char* bytes_copy(char* dst, const char* src, uint64_t n)
{
	if (!__builtin_constant_p(n)) return bytes_copy_run(dst, src, n);
	for (uint64_t i = 0; i < n; ++i) dst[i] = src[i];
	return dst;
}

