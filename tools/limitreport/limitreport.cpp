#include <sys/resource.h>
#include "format.hpp"
#include "front.hpp"
#include "limit_table.hpp"
#include "writer.hpp"

// The value and its newline, as pieces of their own; a failed query never
// prints a value it did not give. The cast suits C libraries that type the
// resource as an enumeration.
static void print_soft_limit(int32_t id)
{
	rlimit r;
	if (getrlimit(decltype(RLIMIT_CPU)(id), &r))
		writer_print(writer_out, "[query failed]\n", nullptr);
	else if (r.rlim_cur == RLIM_INFINITY)
		writer_print(writer_out, "unlimited\n", nullptr);
	else {
		char text[decimal_text_max];
		writer_print(writer_out, decimal_text(text, r.rlim_cur), "\n", nullptr);
	}
}

int main(int argc, char** argv)
{
	standard_options(argc, argv);
	for (const char* const* name = limit_names; *name; ++name) {
		int32_t id = limit_id_by_name(*name);
		if (id == -1) {
			writer_print(writer_out, *name, "\t[not provided on this platform]\n", nullptr);
			continue;
		}
		writer_print(writer_out, *name, "\t", limit_description_by_id(id), ": ", nullptr);
		print_soft_limit(id);
	}
	writer_flush(writer_out);
	return 0;
}
