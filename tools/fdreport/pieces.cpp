#include "format.hpp"
#include "pieces.hpp"
#include "writer.hpp"

// Every piece goes out through these, each called from many places: kept
// out of line, they cost a call each instead of a copy each.
void put(const char* s)
{
	writer_puts(writer_out, s);
}

void put_bytes(const char* s, uint64_t n)
{
	writer_put(writer_out, s, n);
}

// As mountinfo writes names: control bytes, DEL and the backslash as a
// backslash and three octal digits, so that no field holds a tab or a
// line break.
void put_escaped(const char* s, uint64_t n)
{
	writer_escaped(writer_out, s, n, true);
}

void put_decimal(uint64_t v)
{
	char text[decimal_text_max];
	put(decimal_text(text, v));
}

const char* name_of(const named* table, uint64_t count, int value)
{
	for (uint64_t i = 0; i < count; ++i)
		if (table[i].value == value) return table[i].name;
	return nullptr;
}
