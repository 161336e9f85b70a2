#include "format.hpp"

char* decimal_text(char* buf, uint64_t v)
{
	buf[format_decimal(buf, v)] = 0;
	return buf;
}
