#include "writer.hpp"

int32_t writer_printv(writer* w, const char* const* list)
{
	for (; *list; ++list)
		if (writer_puts(w, *list)) return -1;
	return 0;
}
