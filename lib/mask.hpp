#pragma once
#include <stdint.h>
#include "writer.hpp"

// Bit i of a mask stands for the number first + i; bit i of named is set
// when that number has a name. Number n's name is the text from start[n],
// where a comma ends it; any other number is written as prefix followed
// by its decimal digits. Offsets rather than pointers: the table is a
// quarter of the size, and a run of named numbers is one piece of text,
// commas included.
struct bit_names {
	const uint16_t* start;
	const char* text;
	uint32_t first;
	uint64_t named;
	const char* prefix;
};

// A table of names by number, null where a number has none, packed when
// compiling: each name followed by a comma, and where each starts.
template <uint64_t N, uint64_t Bytes>
struct packed_names {
	uint16_t start[N + 1];
	char text[Bytes];
};

template <uint64_t N>
consteval uint64_t names_bytes(const char* const (&names)[N])
{
	uint64_t bytes = 0;
	for (const char* name : names)
		for (const char* p = name; p && *p; ++p) bytes += p[1] ? 1 : 2;
	return bytes;
}

template <uint64_t Bytes, uint64_t N>
consteval packed_names<N, Bytes> names_packed(const char* const (&names)[N])
{
	static_assert(Bytes <= UINT16_MAX);
	packed_names<N, Bytes> packed{};
	uint16_t at = 0;
	for (uint64_t i = 0; i < N; ++i) {
		packed.start[i] = at;
		for (const char* p = names[i]; p && *p; ++p) packed.text[at++] = *p;
		if (names[i] && *names[i]) packed.text[at++] = ',';
	}
	packed.start[N] = at;
	return packed;
}

// Bit i set when number first + i has a name.
template <uint64_t N>
consteval uint64_t names_present(const char* const (&names)[N], uint32_t first)
{
	uint64_t named = 0;
	for (uint64_t n = first; n < N && n < first + 64; ++n)
		if (names[n] && *names[n]) named |= uint64_t(1) << (n - first);
	return named;
}

// The names of the set bits, lowest first, between commas.
int32_t mask_names_print(writer* w, uint64_t mask, const bit_names* names);

// "label:\t", the mask in hexadecimal zero-filled to width (at most 16),
// then "\t" and the names unless the mask is 0, then "\n".
int32_t mask_print(writer* w, const char* label, uint64_t mask, uint64_t width, const bit_names* names);
