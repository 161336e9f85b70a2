#include "format.hpp"
#include "mask.hpp"

int32_t mask_print(writer* w, const char* label, uint64_t mask, uint64_t width, const bit_names* names)
{
	char hex[hex_text_max];
	// wider would not fit the text, and no 64-bit mask needs it
	if (width > hex_text_max - 1) width = hex_text_max - 1;
	if (writer_print(w, label, ":\t", hex_text_padded(hex, mask, width), mask ? "\t" : "", nullptr) ||
	    mask_names_print(w, mask, names))
		return -1;
	return writer_puts(w, "\n");
}
