#pragma once
#include <stdint.h>
#include "writer.hpp"

// Bit i of a mask stands for the number first + i; names[n], when n is
// below count and the entry is not null, is its name, and otherwise the
// name is prefix followed by the decimal digits of n.
struct bit_names {
	const text* names;
	uint64_t count;
	uint32_t first;
	const char* prefix;
};

// The names of the set bits, lowest first, between commas.
int32_t mask_names_print(writer* w, uint64_t mask, const bit_names* names);

// "label:\t", the mask in hexadecimal zero-filled to width (at most 16),
// then "\t" and the names unless the mask is 0, then "\n".
int32_t mask_print(writer* w, const char* label, uint64_t mask, uint64_t width, const bit_names* names);
