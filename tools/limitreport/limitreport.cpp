#include <sys/resource.h>
#include "format.hpp"
#include "front.hpp"
#include "limit_table.hpp"
#include "writer.hpp"

static const char* soft_limit_text(int32_t id, char* text)
{
	rlimit r;
	// never print a value the query did not give; the cast suits C
	// libraries that type the resource as an enumeration
	if (getrlimit(decltype(RLIMIT_CPU)(id), &r)) return "[query failed]";
	if (r.rlim_cur == RLIM_INFINITY) return "unlimited";
	return decimal_text(text, r.rlim_cur);
}

int main(int argc, char** argv)
{
	standard_options(argc, argv);
	char text[decimal_text_max];
	for (const char* const* name = limit_names; *name; ++name) {
		int32_t id = limit_id_by_name(*name);
		if (id == -1) {
			writer_print(writer_out, *name, "\t[not provided on this platform]\n", nullptr);
			continue;
		}
		const char* value = soft_limit_text(id, text);
		writer_print(writer_out, *name, "\t", limit_description_by_id(id), ": ", value, "\n", nullptr);
	}
	writer_flush(writer_out);
	return 0;
}
