#include <sys/stat.h>
#include <unistd.h>
#include "format.hpp"
#include "front.hpp"
#include "writer.hpp"

struct id_line {
	const char* name;
	uint32_t (*query)();
};

static constexpr id_line id_lines[] = {
	{"UID", [] { return uint32_t(getuid()); }},
	{"EUID", [] { return uint32_t(geteuid()); }},
	{"GID", [] { return uint32_t(getgid()); }},
	{"EGID", [] { return uint32_t(getegid()); }},
	{"PID", [] { return uint32_t(getpid()); }},
	{"PPID", [] { return uint32_t(getppid()); }},
	{"PGID", [] { return uint32_t(getpgrp()); }},
	{"SID", [] { return uint32_t(getsid(0)); }},
};

// One write per line, so lines from writers sharing the descriptor never
// interleave.
static void print_line(const char* name, const char* value)
{
	writer_print(writer_err, name, ":\t", value, "\n", nullptr);
	writer_flush(writer_err);
}

int main(int argc, char** argv)
{
	standard_options(argc, argv);
	char text[decimal_text_max];
	for (const id_line& line : id_lines)
		print_line(line.name, decimal_text(text, line.query()));
	print_line("umask", octal_text_padded(text, uint32_t(umask(0)), 4));
	return 0;
}
