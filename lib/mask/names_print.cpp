#include "format.hpp"
#include "mask.hpp"

// Straight to the writer, not through a list: a mask line may name dozens.
int32_t mask_names_print(writer* w, uint64_t mask, const bit_names* names)
{
	bool first = true;
	// the set bits only, lowest first
	for (; mask; mask &= mask - 1) {
		uint64_t n = uint64_t(names->first) + uint64_t(__builtin_ctzll(mask));
		text name = n < names->count ? names->names[n] : text{};
		char digits[decimal_text_max];
		if ((!first && writer_put(w, ",", 1)) ||
		    (name.s ? writer_put(w, name) : writer_print(w, names->prefix, decimal_text(digits, n), nullptr)))
			return -1;
		first = false;
	}
	return 0;
}
