#include "format.hpp"

uint64_t format_octal(char* buf, uint32_t v)
{
	return format_digits<8>(buf, v);
}
