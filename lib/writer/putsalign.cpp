#include "bytes.hpp"
#include "writer.hpp"

int32_t writer_putsalign(writer* w, const char* s)
{
	return writer_putalign(w, s, cstr_length(s));
}
