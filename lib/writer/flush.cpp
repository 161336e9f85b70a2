#include "writer.hpp"

int32_t writer_flush(writer* w)
{
	uint64_t n = w->pos;
	if (!n) return 0;
	w->pos = 0;
	return write_all(w->fd, w->buf, n, w->op);
}
