#include "format.hpp"
#include "mask.hpp"

// Straight to the writer, not through a list: a mask line may name dozens.
// A run of set bits whose numbers all have names goes out as one piece.
int32_t mask_names_print(writer* w, uint64_t mask, const bit_names* names)
{
	for (bool first = true; mask; first = false) {
		uint64_t bit = uint64_t(__builtin_ctzll(mask)), n = names->first + bit;
		uint64_t named = (mask & names->named) >> bit;
		uint64_t run = !(named & 1) ? 0 : ~named ? uint64_t(__builtin_ctzll(~named)) : 64;
		if (!first && writer_put(w, ",", 1)) return -1;
		char digits[decimal_text_max];
		if (run ? writer_put(w, names->text + names->start[n], uint64_t(names->start[n + run] - names->start[n] - 1))
			: writer_print(w, names->prefix, decimal_text(digits, n), nullptr))
			return -1;
		if (!run) run = 1;
		mask = bit + run >= 64 ? 0 : mask & ~uint64_t(0) << (bit + run);
	}
	return 0;
}
