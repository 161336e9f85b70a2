#include "format.hpp"

char* octal_text_padded(char* buf, uint32_t v, uint64_t width)
{
	uint64_t n = format_octal(nullptr, v);
	uint64_t zeros = n < width ? width - n : 0;
	for (uint64_t i = 0; i < zeros; ++i) buf[i] = '0';
	format_octal(buf + zeros, v);
	buf[zeros + n] = 0;
	return buf;
}
