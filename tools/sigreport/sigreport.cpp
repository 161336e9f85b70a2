#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>
#include "front.hpp"
#include "signal_names.hpp"
#include "writer.hpp"

// The kernel's own calls: the C library's would hide the signals it keeps
// for itself. Its set is _NSIG / 8 bytes (16 on MIPS, 8 elsewhere), in
// words of the native long; only signals 1 to 64 are reported.
constexpr unsigned long set_bytes = _NSIG / 8;
static_assert(set_bytes >= 8 && set_bytes % sizeof(unsigned long) == 0);

struct kernel_set {
	unsigned long words[set_bytes / sizeof(unsigned long)];
};

// What rt_sigaction hands back, as far as this reads it: MIPS puts its
// flags before the handler; the rest is room to spare for every layout.
struct kernel_action {
#ifdef __mips__
	unsigned flags;
#endif
	void (*handler)(int);
	unsigned long rest[8];
};

static uint64_t first_64(const kernel_set& s)
{
	uint64_t mask = 0;
	for (unsigned long i = 0; i * sizeof(unsigned long) < 8; ++i)
		mask |= uint64_t(s.words[i]) << (i * 8 * sizeof(unsigned long));
	return mask;
}

static void print_set(const char* label, long status, uint64_t mask)
{
	if (status) writer_print(writer_out, label, ":\t[query failed]\n", nullptr);
	else mask_print(writer_out, label, mask, 16, &signal_names);
}

int main(int argc, char** argv)
{
	standard_options(argc, argv);
	kernel_set set{};
	long status = syscall(SYS_rt_sigpending, &set, set_bytes);
	print_set("SigPnd", status, first_64(set));
	status = syscall(SYS_rt_sigprocmask, SIG_SETMASK, nullptr, &set, set_bytes);
	print_set("SigBlk", status, first_64(set));
	// one query that fails leaves a bit unknown, and the mask with it
	uint64_t ignored = 0;
	long failed = 0;
	for (long n = 1; n <= 64; ++n) {
		kernel_action old{};
		failed |= syscall(SYS_rt_sigaction, n, nullptr, &old, set_bytes);
		if (old.handler == SIG_IGN) ignored |= uint64_t(1) << (n - 1);
	}
	print_set("SigIgn", failed, ignored);
	writer_flush(writer_out);
	return 0;
}
