#include "format.hpp"

uint64_t format_decimal(char* buf, uint64_t v)
{
	uint64_t n = 1;
	for (uint64_t q = v; q > 9; q /= 10) ++n;
	if (!buf) return n;
	for (char* p = buf + n;; v /= 10) {
		*--p = char('0' + v % 10);
		if (v <= 9) break;
	}
	return n;
}
