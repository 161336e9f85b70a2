#include "format.hpp"
#include "mask.hpp"

int32_t mask_names_print(writer* w, uint64_t mask, const bit_names* names)
{
	const char* comma = "";
	for (uint32_t i = 0; i < 64; ++i) {
		if (!(mask >> i & 1)) continue;
		uint64_t n = uint64_t(names->first) + i;
		const char* name = n < names->count ? names->names[n] : nullptr;
		char digits[decimal_text_max];
		int32_t status = name ? writer_print(w, comma, name, nullptr)
				      : writer_print(w, comma, names->prefix, decimal_text(digits, n), nullptr);
		if (status) return -1;
		comma = ",";
	}
	return 0;
}
