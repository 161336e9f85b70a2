#include "format.hpp"

uint64_t format_hex(char* buf, uint64_t v)
{
	uint64_t n = 1;
	for (uint64_t q = v; q > 15; q >>= 4) ++n;
	if (!buf) return n;
	for (char* p = buf + n;; v >>= 4) {
		*--p = "0123456789abcdef"[v & 15];
		if (v <= 15) break;
	}
	return n;
}
