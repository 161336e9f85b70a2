#include <elf.h>
#include <gtest/gtest.h>
#include <fstream>
#include <iterator>
#include "harness.hpp"

namespace {
const char* const probes[] = {"argreport", "envreport", "idreport", "limitreport"};

std::vector<uint32_t> segment_types(const std::string& path)
{
	std::ifstream f(path, std::ios::binary);
	std::string image((std::istreambuf_iterator<char>(f)), {});
	std::vector<uint32_t> types;
	if (image.size() < sizeof(Elf64_Ehdr)) return types;
	auto eh = reinterpret_cast<const Elf64_Ehdr*>(image.data());
	for (int i = 0; i < eh->e_phnum; ++i) {
		auto ph = reinterpret_cast<const Elf64_Phdr*>(image.data() + eh->e_phoff + i * eh->e_phentsize);
		types.push_back(ph->p_type);
	}
	return types;
}

bool defines(const std::string& tool, const std::string& symbol)
{
	std::string syms = capture("nm -C --defined-only " + probe_path(tool));
	return syms.find(" " + symbol) != std::string::npos;
}
}

TEST(Binary, ProbesAreStaticWithoutInterpreter)
{
	for (auto tool : probes) {
		auto types = segment_types(probe_path(tool));
		ASSERT_FALSE(types.empty()) << tool;
		for (uint32_t t : types) {
			EXPECT_NE(t, uint32_t(PT_INTERP)) << tool;
			EXPECT_NE(t, uint32_t(PT_DYNAMIC)) << tool;
		}
	}
}

TEST(Binary, EachProbeCarriesOnlyTheUnitsItUses)
{
	struct { const char* tool; const char* symbol; bool present; } cases[] = {
		{"argreport", "writer_out", true},
		{"argreport", "writer_err", false},
		{"argreport", "opt_next", false},
		{"argreport", "__cxa_", false},
		{"argreport", "operator new", false},
		{"envreport", "writer_out", true},
		{"envreport", "writer_err", true},
		{"envreport", "opt_next", true},
		{"envreport", "format_decimal", false},
		{"envreport", "decimal_text", false},
		{"idreport", "writer_err", true},
		{"idreport", "writer_out", false},
		{"idreport", "octal_text_padded", true},
		{"limitreport", "writer_out", true},
		{"limitreport", "writer_err", true},
		{"limitreport", "decimal_text", true},
		{"limitreport", "limit_name_by_id", false},
	};
	for (auto& c : cases)
		EXPECT_EQ(defines(c.tool, c.symbol), c.present) << c.tool << " " << c.symbol;
}
