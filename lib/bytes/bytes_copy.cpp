#include "bytes.hpp"

char* bytes_copy_run(char* dst, const char* src, uint64_t n)
{
	for (uint64_t i = 0; i < n;) {
		dst[i] = src[i];
		if (++i == n) break;
		dst[i] = src[i];
		if (++i == n) break;
		dst[i] = src[i];
		if (++i == n) break;
		dst[i] = src[i];
		++i;
	}
	return dst;
}
