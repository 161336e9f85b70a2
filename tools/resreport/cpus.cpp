#include "format.hpp"
#include "resreport.hpp"

// Words, not bytes: bytes would number the CPUs wrong on big-endian machines.
constexpr uint64_t word_bits = 8 * sizeof(unsigned long);

static bool has_cpu(const unsigned long* mask, uint64_t cpu, uint64_t count)
{
	return cpu < count && mask[cpu / word_bits] >> (cpu % word_bits) & 1;
}

void cpus_print(writer* w, const unsigned long* mask, uint64_t count)
{
	const char* comma = "";
	for (uint64_t cpu = 0; cpu < count; ++cpu) {
		if (!has_cpu(mask, cpu, count)) continue;
		uint64_t last = cpu;
		while (has_cpu(mask, last + 1, count)) ++last;
		char first[decimal_text_max], end[decimal_text_max];
		writer_print(w, comma, decimal_text(first, cpu), nullptr);
		if (last > cpu) writer_print(w, "-", decimal_text(end, last), nullptr);
		comma = ",";
		cpu = last;
	}
}
