#include "opt.hpp"

void opt_init(opt_state* s, int32_t argc, char* const* argv, const char* spec, uint64_t start)
{
	s->opt = 0;
	s->arg = nullptr;
	s->spec = spec;
	s->ind = start;
	// a negative count would otherwise become a huge one
	s->argc = argc < 0 ? 0 : uint64_t(argc);
	s->argv = argv;
	s->pos = 1;
}
