#include "bytes.hpp"

uint64_t cstr_length(const char* s)
{
	for (uint64_t i = 0;; i += 4) {
		if (!s[i]) return i;
		if (!s[i + 1]) return i + 1;
		if (!s[i + 2]) return i + 2;
		if (!s[i + 3]) return i + 3;
	}
}
