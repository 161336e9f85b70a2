#include "writer.hpp"

// The rest measured, and all of it put as writer_put would take it.
[[gnu::noinline]] static int32_t put_measured(writer* w, const char* s, uint64_t copied)
{
	return writer_put_spill(w, s, copied + cstr_length(s + copied));
}

// Copies into the free space up to the terminator, four bytes a pass and
// a test after each; a string longer than the room goes as writer_put
// would take it, and what was copied beyond pos is written over later.
int32_t writer_puts_run(writer* w, const char* s)
{
	char* at = w->buf + w->pos;
	const uint64_t room = w->cap - w->pos;
	uint64_t i = 0;
	for (; i + 4 <= room; i += 4) {
		if (!(at[i] = s[i])) return w->pos += i, 0;
		if (!(at[i + 1] = s[i + 1])) return w->pos += i + 1, 0;
		if (!(at[i + 2] = s[i + 2])) return w->pos += i + 2, 0;
		if (!(at[i + 3] = s[i + 3])) return w->pos += i + 3, 0;
	}
	for (; i < room; ++i)
		if (!(at[i] = s[i])) return w->pos += i, 0;
	return put_measured(w, s, i);
}
