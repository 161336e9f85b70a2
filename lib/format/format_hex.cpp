#include "format.hpp"

uint64_t format_hex(char* buf, uint64_t v)
{
	return format_digits<16>(buf, v);
}
