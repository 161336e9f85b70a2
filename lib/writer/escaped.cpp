#include "writer.hpp"

// Each run of plain bytes goes out in one put, each escape in another.
int32_t writer_escaped(writer* w, const char* s, uint64_t n, bool backslash)
{
	uint64_t run = 0;
	for (uint64_t i = 0; i < n; ++i) {
		uint8_t c = uint8_t(s[i]);
		if (c >= 0x20 && c != 0x7f && (c != '\\' || !backslash)) continue;
		const char code[4] = {'\\', char('0' + (c >> 6)), char('0' + (c >> 3 & 7)), char('0' + (c & 7))};
		if (writer_put(w, s + run, i - run) || writer_put(w, code, 4)) return -1;
		run = i + 1;
	}
	return writer_put(w, s + run, n - run);
}
