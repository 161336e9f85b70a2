#include "format.hpp"

uint64_t format_decimal(char* buf, uint64_t v)
{
	return format_digits<10>(buf, v);
}
