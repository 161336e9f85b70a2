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

// A name in a table with its length, taken from the literal when
// compiling, so that writing it needs no pass to measure it; the default
// is no name.
struct text {
	const char* s = nullptr;
	uint32_t n = 0;
	constexpr text() = default;
	template <uint32_t N>
	consteval text(const char (&literal)[N]) : s(literal), n(N - 1)
	{
	}
};
