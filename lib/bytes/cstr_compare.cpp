#include "bytes.hpp"

static inline bool stops(uint8_t x, uint8_t y)
{
	return x != y || !x;
}

int32_t cstr_compare(const char* a, const char* b)
{
	auto x = reinterpret_cast<const uint8_t*>(a);
	auto y = reinterpret_cast<const uint8_t*>(b);
	uint64_t i = 0;
	for (;; i += 4) {
		if (stops(x[i], y[i])) break;
		if (stops(x[i + 1], y[i + 1])) { i += 1; break; }
		if (stops(x[i + 2], y[i + 2])) { i += 2; break; }
		if (stops(x[i + 3], y[i + 3])) { i += 3; break; }
	}
	return int32_t(x[i]) - int32_t(y[i]);
}
