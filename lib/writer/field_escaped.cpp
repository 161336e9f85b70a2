#include "writer.hpp"

int32_t writer_field_escaped(writer* w, const char* label, const char* value, uint64_t len)
{
	if (writer_puts(w, label) || writer_put(w, ":\t", 2) || writer_escaped(w, value, len, true)) return -1;
	return writer_put(w, "\n", 1);
}
