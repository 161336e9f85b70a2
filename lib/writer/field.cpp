#include "writer.hpp"

// Stops at the first failure, as the other puts do.
int32_t writer_field(writer* w, const char* label, const char* value, uint64_t len)
{
	if (writer_puts(w, label) || writer_put(w, ":\t", 2) || writer_put(w, value, len)) return -1;
	return writer_put(w, "\n", 1);
}
