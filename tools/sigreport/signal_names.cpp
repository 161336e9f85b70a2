#include <signal.h>
#include "signal_names.hpp"

namespace {

struct signal_entry {
	int number;
	const char* name;
};

// From the C library's constants, which differ between architectures;
// where two share a number, the earlier stands.
constexpr signal_entry platform_signals[] = {
	{SIGHUP, "SIGHUP"},
	{SIGINT, "SIGINT"},
	{SIGQUIT, "SIGQUIT"},
	{SIGILL, "SIGILL"},
	{SIGTRAP, "SIGTRAP"},
	{SIGABRT, "SIGABRT"},
	{SIGBUS, "SIGBUS"},
	{SIGFPE, "SIGFPE"},
	{SIGKILL, "SIGKILL"},
	{SIGUSR1, "SIGUSR1"},
	{SIGSEGV, "SIGSEGV"},
	{SIGUSR2, "SIGUSR2"},
	{SIGPIPE, "SIGPIPE"},
	{SIGALRM, "SIGALRM"},
	{SIGTERM, "SIGTERM"},
#ifdef SIGSTKFLT
	{SIGSTKFLT, "SIGSTKFLT"},
#endif
	{SIGCHLD, "SIGCHLD"},
	{SIGCONT, "SIGCONT"},
	{SIGSTOP, "SIGSTOP"},
	{SIGTSTP, "SIGTSTP"},
	{SIGTTIN, "SIGTTIN"},
	{SIGTTOU, "SIGTTOU"},
	{SIGURG, "SIGURG"},
	{SIGXCPU, "SIGXCPU"},
	{SIGXFSZ, "SIGXFSZ"},
	{SIGVTALRM, "SIGVTALRM"},
	{SIGPROF, "SIGPROF"},
	{SIGWINCH, "SIGWINCH"},
	{SIGIO, "SIGIO"},
#ifdef SIGPWR
	{SIGPWR, "SIGPWR"},
#endif
	{SIGSYS, "SIGSYS"},
#ifdef SIGEMT
	{SIGEMT, "SIGEMT"},
#endif
};

struct signal_texts {
	const char* by_number[65];
};

constexpr signal_texts texts_by_number()
{
	signal_texts t{};
	for (const signal_entry& s : platform_signals)
		if (s.number > 0 && s.number < 65 && !t.by_number[s.number]) t.by_number[s.number] = s.name;
	return t;
}

constexpr signal_texts texts = texts_by_number();
constexpr auto packed = names_packed<names_bytes(texts.by_number)>(texts.by_number);

} // namespace

constexpr bit_names signal_names{packed.start, packed.text, 1, names_present(texts.by_number, 1), "SIG"};
