#include "bytes.hpp"
#include "writer.hpp"

int32_t writer_putalign(writer* w, const char* data, uint64_t len)
{
	while (len > w->cap - w->pos) {
		uint64_t room = w->cap - w->pos;
		bytes_copy(w->buf + w->pos, data, room);
		w->pos = w->cap;
		data += room;
		len -= room;
		if (writer_flush(w)) return -1;
	}
	bytes_copy(w->buf + w->pos, data, len);
	w->pos += len;
	return 0;
}
