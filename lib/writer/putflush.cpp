#include "writer.hpp"

int32_t writer_putflush(writer* w, const char* data, uint64_t len)
{
	if (writer_flush(w)) return -1;
	return write_all(w->fd, data, len, w->op);
}
