#include "format.hpp"

char* hex_text_padded(char* buf, uint64_t v, uint64_t width)
{
	return padded_text(buf, v, width, format_hex);
}
