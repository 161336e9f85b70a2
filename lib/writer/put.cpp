#include "bytes.hpp"
#include "writer.hpp"

int32_t writer_put_spill(writer* w, const char* data, uint64_t len)
{
	if (len <= w->cap - w->pos) {
		bytes_copy(w->buf + w->pos, data, len);
		w->pos += len;
		return 0;
	}
	if (writer_flush(w)) return -1;
	uint64_t chunk = w->cap < writer_chunk_min ? writer_chunk_min : w->cap;
	while (len > w->cap) {
		if (len < chunk) chunk = len;
		if (write_all(w->fd, data, chunk, w->op)) return -1;
		data += chunk;
		len -= chunk;
	}
	bytes_copy(w->buf, data, len);
	w->pos = len;
	return 0;
}
