#include "format.hpp"
#include "resreport.hpp"

// Words, not bytes: bytes would number the CPUs wrong on big-endian machines.
constexpr uint64_t word_bits = 8 * sizeof(unsigned long);

// The first CPU from cpu on that is in the mask (set) or not in it (clear),
// a word at a time; count when there is none.
static uint64_t next(const unsigned long* mask, uint64_t cpu, uint64_t count, bool set)
{
	for (; cpu < count; cpu = (cpu / word_bits + 1) * word_bits) {
		unsigned long word = (set ? mask[cpu / word_bits] : ~mask[cpu / word_bits]) >> (cpu % word_bits);
		if (word) return cpu + uint64_t(__builtin_ctzl(word)) < count ? cpu + uint64_t(__builtin_ctzl(word)) : count;
	}
	return count;
}

void cpus_print(writer* w, const unsigned long* mask, uint64_t count)
{
	const char* comma = "";
	for (uint64_t cpu = next(mask, 0, count, true); cpu < count; cpu = next(mask, cpu, count, true)) {
		uint64_t last = next(mask, cpu, count, false) - 1;
		char first[decimal_text_max], end[decimal_text_max];
		writer_print(w, comma, decimal_text(first, cpu), nullptr);
		if (last > cpu) writer_print(w, "-", decimal_text(end, last), nullptr);
		comma = ",";
		cpu = last + 1;
	}
}
