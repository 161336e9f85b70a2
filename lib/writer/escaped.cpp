#include "writer.hpp"

namespace {

using word = unsigned long;
constexpr word ones = ~word(0) / 255, highs = ones * 0x80;

// Whether any byte of w is below 0x20, 0x7f, or the backslash when asked:
// a word at a time, as most names hold none.
inline bool any_special(word w, bool backslash)
{
	word low = (w - ones * 0x20) & ~w, del = w ^ (ones * 0x7f), slash = w ^ (ones * '\\');
	word found = low | ((del - ones) & ~del) | (backslash ? (slash - ones) & ~slash : 0);
	return found & highs;
}

inline bool special(uint8_t c, bool backslash)
{
	return c < 0x20 || c == 0x7f || (c == '\\' && backslash);
}

} // namespace

// Each run of plain bytes goes out in one put, each escape in another.
int32_t writer_escaped(writer* w, const char* s, uint64_t n, bool backslash)
{
	uint64_t run = 0;
	for (uint64_t i = 0; i < n; ++i) {
		for (word v; i + sizeof v <= n && (__builtin_memcpy(&v, s + i, sizeof v), !any_special(v, backslash));) i += sizeof v;
		if (i == n) break;
		uint8_t c = uint8_t(s[i]);
		if (!special(c, backslash)) continue;
		const char code[4] = {'\\', char('0' + (c >> 6)), char('0' + (c >> 3 & 7)), char('0' + (c & 7))};
		if (writer_put(w, s + run, i - run) || writer_put(w, code, 4)) return -1;
		run = i + 1;
	}
	return writer_put(w, s + run, n - run);
}
