#include "writer.hpp"

int32_t writer_printv(writer* w, const writer_piece* list)
{
	for (; list->s; ++list)
		if (list->n == writer_unmeasured ? writer_puts_run(w, list->s) : writer_put(w, list->s, list->n))
			return -1;
	return 0;
}
