#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include "format.hpp"
#include "front.hpp"
#include "label.hpp"
#include "privilege_names.hpp"
#include "writer.hpp"

// The most supplementary groups Linux lets a process hold. A common symbol,
// which the linker puts after the other zeroed data: between the data and
// the output buffer it would cost that buffer a page of its own, and the
// probe a fault.
[[gnu::common]] gid_t group_ids[65536];
static_assert(sizeof(gid_t) == 4);

// capget's records, version 3: each set in two 32-bit halves.
struct cap_header {
	uint32_t version;
	int32_t pid;
};
struct cap_data {
	uint32_t effective, permitted, inheritable;
};

static const char* const seccomp_modes[] = {"disabled", "strict", "filter"};

static void print_failed(const char* label)
{
	writer_print(writer_out, label, ":\t[query failed]\n", nullptr);
}

static void print_groups()
{
	int n = getgroups(65536, group_ids);
	if (n < 0) return print_failed("Groups");
	writer_puts(writer_out, "Groups:\t");
	char text[decimal_text_max];
	for (int i = 0; i < n; ++i) writer_print(writer_out, i ? " " : "", decimal_text(text, group_ids[i]), nullptr);
	writer_puts(writer_out, "\n");
}

static uint64_t joined(const cap_data* d, uint32_t cap_data::*set)
{
	return uint64_t(d[0].*set) | uint64_t(d[1].*set) << 32;
}

static void print_capget()
{
	cap_header header{0x20080522, 0};
	cap_data data[2]{};
	bool failed = syscall(SYS_capget, &header, data) != 0;
	const struct { const char* label; uint32_t cap_data::*set; } lines[] = {
		{"CapInh", &cap_data::inheritable},
		{"CapPrm", &cap_data::permitted},
		{"CapEff", &cap_data::effective},
	};
	for (auto& l : lines)
		if (failed) print_failed(l.label);
		else mask_print(writer_out, l.label, joined(data, l.set), 16, &capability_names);
}

// musl's prctl passes on four arguments whatever the option, so each call
// gives all four.
static int query(unsigned long option, unsigned long a, unsigned long b = 0)
{
	return prctl(option, a, b, 0UL, 0UL);
}

// Bit n for each capability n the query answers 1 for, up to the first
// number the kernel does not know.
static void print_scan(const char* label, int (*is_set)(unsigned long n))
{
	uint64_t mask = 0;
	for (unsigned long n = 0; n < 64; ++n) {
		int r = is_set(n);
		if (r < 0) {
			if (n == 0) return print_failed(label);
			break;
		}
		if (r == 1) mask |= uint64_t(1) << n;
	}
	mask_print(writer_out, label, mask, 16, &capability_names);
}

// The value in decimal, then "\t" and its name when it has one.
static void print_number(const char* label, int value, const char* name)
{
	if (value < 0) return print_failed(label);
	char text[decimal_text_max];
	writer_print(writer_out, label, ":\t", decimal_text(text, uint32_t(value)), *name ? "\t" : "", name, "\n",
		     nullptr);
}

int main(int argc, char** argv)
{
	standard_options(argc, argv);
	print_groups();
	print_capget();
	print_scan("CapBnd", [](unsigned long n) { return query(PR_CAPBSET_READ, n); });
	print_scan("CapAmb", [](unsigned long n) { return query(PR_CAP_AMBIENT, PR_CAP_AMBIENT_IS_SET, n); });
	int bits = query(PR_GET_SECUREBITS, 0);
	if (bits < 0) print_failed("Securebits");
	else mask_print(writer_out, "Securebits", uint32_t(bits), 8, &securebit_names);
	print_number("NoNewPrivs", query(PR_GET_NO_NEW_PRIVS, 0), "");
	int mode = query(PR_GET_SECCOMP, 0);
	print_number("Seccomp", mode, mode >= 0 && mode < 3 ? seccomp_modes[mode] : "");
	print_labels(writer_out);
	writer_flush(writer_out);
	return 0;
}
