#include "opt.hpp"

const char* program_name(const opt_state* s)
{
	const char* name = s->argv[0];
	for (const char* p = name; *p; ++p)
		if (*p == '/') name = p + 1;
	return name;
}
