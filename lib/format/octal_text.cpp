#include "format.hpp"

char* octal_text(char* buf, uint32_t v)
{
	buf[format_octal(buf, v)] = 0;
	return buf;
}
