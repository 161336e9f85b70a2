#include "format.hpp"
#include "mask.hpp"

// Straight to the writer, not through a list: a mask line may name dozens.
int32_t mask_names_print(writer* w, uint64_t mask, const bit_names* names)
{
	bool first = true;
	// the set bits only, lowest first
	for (; mask; mask &= mask - 1) {
		uint64_t n = uint64_t(names->first) + uint64_t(__builtin_ctzll(mask));
		const char* name = n < names->count ? names->names[n] : nullptr;
		char digits[decimal_text_max];
		if ((!first && writer_put(w, ",", 1)) || writer_puts(w, name ? name : names->prefix) ||
		    (!name && writer_puts(w, decimal_text(digits, n))))
			return -1;
		first = false;
	}
	return 0;
}
