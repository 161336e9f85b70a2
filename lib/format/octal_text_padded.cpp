#include "format.hpp"

char* octal_text_padded(char* buf, uint32_t v, uint64_t width)
{
	return padded_text(buf, v, width, format_octal);
}
