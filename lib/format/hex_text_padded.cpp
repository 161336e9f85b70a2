#include "format.hpp"

char* hex_text_padded(char* buf, uint64_t v, uint64_t width)
{
	uint64_t n = format_hex(nullptr, v);
	uint64_t zeros = n < width ? width - n : 0;
	for (uint64_t i = 0; i < zeros; ++i) buf[i] = '0';
	format_hex(buf + zeros, v);
	buf[zeros + n] = 0;
	return buf;
}
