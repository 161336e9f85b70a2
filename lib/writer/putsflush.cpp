#include "bytes.hpp"
#include "writer.hpp"

int32_t writer_putsflush(writer* w, const char* s)
{
	return writer_putflush(w, s, cstr_length(s));
}
