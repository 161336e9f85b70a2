#include <unistd.h>
#include "front.hpp"
#include "opt.hpp"
#include "writer.hpp"

// Without argv[0] there is no name to derive; no option can be seen
// then either, so this never reaches a message.
constinit const char* prog_name = "";

static const char version[] = "2.07";

// One list per message, in the pieces the message is made of: where its
// writes end depends on them.
template <typename... S>
static void say(S... pieces)
{
	writer_print(writer_err, pieces..., nullptr);
	writer_flush(writer_err);
}

[[noreturn]] static void usage(int status, const char* operands)
{
	say("usage: ", prog_name, " ", "[-hV]", operands, "\n");
	_exit(status);
}

int32_t standard_options(int32_t argc, char* const* argv, const char* operands)
{
	opt_state s;
	opt_init(&s, argc, argv, "hV", 1);
	if (argc > 0) prog_name = program_name(&s);
	switch (opt_next(&s)) {
	case 0:
		return int32_t(s.ind);
	case 'V':
		say(prog_name, ": version: ", version, "\n");
		_exit(0);
	case 'h':
		usage(0, operands);
	case '?':
		if (s.opt != '?') {
			const char bad[2] = {s.opt, 0};
			say(prog_name, ": usage error: invalid option: -", bad, "\n");
		}
		usage(100, operands);
	default:
		usage(100, operands);
	}
}
