#pragma once
#include <stdint.h>
#include "writer.hpp"

// Bit i of a mask stands for the number first + i. Number n below count
// is named by the bytes of text from start[n] to start[n + 1], unless the
// two are equal; any other is prefix followed by its decimal digits.
// Offsets rather than pointers: the table is a quarter of the size, and
// each name comes with its length.
struct bit_names {
	const uint16_t* start;
	const char* text;
	uint64_t count;
	uint32_t first;
	const char* prefix;
};

// A table of names, null where a number has none, packed when compiling:
// the names' bytes together, and where each starts.
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
		for (const char* p = name; p && *p; ++p) ++bytes;
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
	}
	packed.start[N] = at;
	return packed;
}

// The names of the set bits, lowest first, between commas.
int32_t mask_names_print(writer* w, uint64_t mask, const bit_names* names);

// "label:\t", the mask in hexadecimal zero-filled to width (at most 16),
// then "\t" and the names unless the mask is 0, then "\n".
int32_t mask_print(writer* w, const char* label, uint64_t mask, uint64_t width, const bit_names* names);
