#include "bytes.hpp"
#include "writer.hpp"

int32_t writer_puts(writer* w, const char* s)
{
	return writer_put(w, s, cstr_length(s));
}
