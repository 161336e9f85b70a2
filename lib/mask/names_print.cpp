#include "format.hpp"
#include "mask.hpp"

// Straight to the writer, not through a list: a mask line may name dozens.
int32_t mask_names_print(writer* w, uint64_t mask, const bit_names* names)
{
	bool first = true;
	// the set bits only, lowest first
	for (; mask; mask &= mask - 1) {
		uint64_t n = uint64_t(names->first) + uint64_t(__builtin_ctzll(mask));
		uint64_t from = n < names->count ? names->start[n] : 0, to = n < names->count ? names->start[n + 1] : 0;
		char digits[decimal_text_max];
		if ((!first && writer_put(w, ",", 1)) ||
		    (from < to ? writer_put(w, names->text + from, to - from)
			       : writer_print(w, names->prefix, decimal_text(digits, n), nullptr)))
			return -1;
		first = false;
	}
	return 0;
}
