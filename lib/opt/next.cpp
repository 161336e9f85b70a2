#include "bytes.hpp"
#include "opt.hpp"

static bool at_options(opt_state* s)
{
	if (s->ind >= s->argc) return false;
	const char* e = s->argv[s->ind];
	if (e[0] != '-' || !e[1]) return false;
	if (!cstr_compare(e, "--")) {
		++s->ind;
		return false;
	}
	return true;
}

static void next_element(opt_state* s)
{
	++s->ind;
	s->pos = 1;
}

char opt_next(opt_state* s)
{
	s->opt = 0;
	s->arg = nullptr;
	if (s->pos == 1 && !at_options(s)) return 0;
	const char* e = s->argv[s->ind];
	const char c = e[s->pos++];
	s->opt = c;
	if (!e[s->pos]) next_element(s);
	const char* found = s->spec + cstr_index(s->spec, uint8_t(c));
	if (c == ':' || !*found) return '?';
	if (found[1] != ':') return c;
	if (s->pos != 1) {
		s->arg = e + s->pos;
		next_element(s);
		return c;
	}
	if (s->ind >= s->argc) return ':';
	s->arg = s->argv[s->ind++];
	return c;
}
