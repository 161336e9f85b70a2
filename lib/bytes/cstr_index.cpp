#include "bytes.hpp"

static inline bool stops(char b, char c)
{
	return b == c || !b;
}

uint64_t cstr_index(const char* s, uint8_t c)
{
	const char ch = static_cast<char>(c);
	for (uint64_t i = 0;; i += 4) {
		if (stops(s[i], ch)) return i;
		if (stops(s[i + 1], ch)) return i + 1;
		if (stops(s[i + 2], ch)) return i + 2;
		if (stops(s[i + 3], ch)) return i + 3;
	}
}
