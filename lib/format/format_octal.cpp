#include "format.hpp"

uint64_t format_octal(char* buf, uint32_t v)
{
	uint64_t n = 1;
	for (uint32_t q = v; q > 7; q >>= 3) ++n;
	if (!buf) return n;
	for (char* p = buf + n;; v >>= 3) {
		*--p = char('0' + (v & 7));
		if (v <= 7) break;
	}
	return n;
}
