#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include "file.hpp"
#include "format.hpp"
#include "front.hpp"
#include "resreport.hpp"
#include "writer.hpp"

// Common symbols, after the other zeroed data (see lib/writer/out.cpp).
// The affinity mask of 8192 CPUs, in the kernel's words; the text of a
// /proc file or a limit file.
[[gnu::common]] unsigned long cpu_mask[1024 / sizeof(unsigned long)];
[[gnu::common]] char text_buffer[4096];

namespace {

// With its name's length, counted when compiling.
struct resource_limit {
	const char* name;
	uint32_t len;
	int32_t id;
	template <uint32_t N>
	consteval resource_limit(const char (&n)[N], int32_t i) : name(n), len(N - 1), id(i)
	{
	}
};

// In the order /proc/<pid>/limits lists them; the numbers differ by architecture.
constexpr resource_limit resource_limits[] = {
	{"RLIMIT_CPU", RLIMIT_CPU}, {"RLIMIT_FSIZE", RLIMIT_FSIZE}, {"RLIMIT_DATA", RLIMIT_DATA},
	{"RLIMIT_STACK", RLIMIT_STACK}, {"RLIMIT_CORE", RLIMIT_CORE}, {"RLIMIT_RSS", RLIMIT_RSS},
	{"RLIMIT_NPROC", RLIMIT_NPROC}, {"RLIMIT_NOFILE", RLIMIT_NOFILE}, {"RLIMIT_MEMLOCK", RLIMIT_MEMLOCK},
	{"RLIMIT_AS", RLIMIT_AS}, {"RLIMIT_LOCKS", RLIMIT_LOCKS}, {"RLIMIT_SIGPENDING", RLIMIT_SIGPENDING},
	{"RLIMIT_MSGQUEUE", RLIMIT_MSGQUEUE}, {"RLIMIT_NICE", RLIMIT_NICE}, {"RLIMIT_RTPRIO", RLIMIT_RTPRIO},
	{"RLIMIT_RTTIME", RLIMIT_RTTIME},
};
static_assert(sizeof resource_limits / sizeof resource_limits[0] == RLIM_NLIMITS);

constexpr const char* scheduling_policies[] = {"other", "fifo", "rr", "batch", nullptr, "idle", "deadline"};
constexpr const char* io_classes[] = {"none", "rt", "be", "idle"};
constexpr long reset_on_fork = 0x40000000;
constexpr long ioprio_who_process = 1;
constexpr const char* failed = "[query failed]";

void print_line(const char* label, const char* value)
{
	writer_print(writer_out, label, ":\t", value, "\n", nullptr);
}

void put_limit(rlim_t v, const char* after)
{
	char digits[decimal_text_max];
	if (v == RLIM_INFINITY) writer_puts(writer_out, "unlimited");
	else writer_put(writer_out, digits, format_decimal(digits, v));
	writer_put(writer_out, after, 1);
}

void print_limit(const resource_limit& l)
{
	rlimit r;
	if (getrlimit(decltype(RLIMIT_CPU)(l.id), &r)) return print_line(l.name, failed);
	writer_put(writer_out, l.name, l.len);
	writer_puts(writer_out, ":\t");
	put_limit(r.rlim_cur, "\t");
	put_limit(r.rlim_max, "\n");
}

void print_cpus()
{
	long bytes = syscall(SYS_sched_getaffinity, 0, sizeof cpu_mask, cpu_mask);
	if (bytes <= 0) return print_line("Cpus", failed);
	writer_puts(writer_out, "Cpus:\t");
	cpus_print(writer_out, cpu_mask, uint64_t(bytes) * 8);
	writer_puts(writer_out, "\n");
}

// The system calls: the C library's scheduler functions refuse by design.
void print_policy()
{
	long policy = syscall(SYS_sched_getscheduler, 0);
	int priority = 0;
	if (policy < 0 || syscall(SYS_sched_getparam, 0, &priority)) return print_line("Policy", failed);
	long base = policy & ~reset_on_fork;
	char number[decimal_text_max], level[decimal_text_max];
	const char* name = base < 7 && scheduling_policies[base] ? scheduling_policies[base] : decimal_text(number, uint64_t(base));
	writer_print(writer_out, "Policy:\t", name, policy & reset_on_fork ? ",reset_on_fork\t" : "\t",
		     decimal_text(level, uint64_t(priority)), "\n", nullptr);
}

// The system call gives 20 minus the nice value, so -1 is only a failure.
void print_nice()
{
	long v = syscall(SYS_getpriority, PRIO_PROCESS, 0);
	if (v < 0) return print_line("Nice", failed);
	long nice = 20 - v;
	char digits[decimal_text_max];
	writer_print(writer_out, "Nice:\t", nice < 0 ? "-" : "", decimal_text(digits, uint64_t(nice < 0 ? -nice : nice)), "\n", nullptr);
}

void print_io_priority()
{
	long v = syscall(SYS_ioprio_get, ioprio_who_process, 0);
	if (v < 0) return print_line("IOPriority", failed);
	char number[decimal_text_max], level[decimal_text_max], hint[decimal_text_max];
	uint64_t io_class = uint64_t(v) >> 13, io_hint = uint64_t(v) >> 3 & 0x3ff;
	const char* name = io_class < 4 ? io_classes[io_class] : decimal_text(number, io_class);
	writer_print(writer_out, "IOPriority:\t", name, "\t", decimal_text(level, uint64_t(v) & 7), nullptr);
	if (io_hint) writer_print(writer_out, "\thint ", decimal_text(hint, io_hint), nullptr);
	writer_puts(writer_out, "\n");
}

void print_oom_score_adj()
{
	int64_t n = file_read(AT_FDCWD, "/proc/self/oom_score_adj", text_buffer, sizeof text_buffer);
	if (n < 0) return print_line("OOMScoreAdj", failed);
	if (n > 0 && text_buffer[n - 1] == '\n') --n;
	writer_field_escaped(writer_out, "OOMScoreAdj", text_buffer, uint64_t(n));
}

} // namespace

int main(int argc, char** argv)
{
	standard_options(argc, argv);
	for (const auto& l : resource_limits) print_limit(l);
	print_cpus();
	print_policy();
	print_nice();
	print_io_priority();
	print_oom_score_adj();
	print_cgroup(text_buffer, sizeof text_buffer);
	writer_flush(writer_out);
	return 0;
}
