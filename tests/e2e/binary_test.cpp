#include <gtest/gtest.h>
#include <sstream>
#include "harness.hpp"

namespace {
// The program header types, from readelf, which reads every class and byte order.
std::vector<std::string> segment_types(const std::string& path)
{
	std::vector<std::string> types;
	std::istringstream lines(capture("readelf -lW " + path));
	for (std::string line; std::getline(lines, line);) {
		std::istringstream words(line);
		std::string type, offset;
		if (words >> type >> offset && offset.rfind("0x", 0) == 0) types.push_back(type);
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
	for (auto& tool : probes()) {
		auto types = segment_types(probe_path(tool));
		ASSERT_FALSE(types.empty()) << tool;
		for (auto& t : types) {
			EXPECT_NE(t, "INTERP") << tool;
			EXPECT_NE(t, "DYNAMIC") << tool;
		}
	}
}

TEST(Binary, EachProbeCarriesOnlyTheUnitsItUses)
{
	const bool elf32 = capture("readelf -h " + probe_path("argreport")).find("ELF32") != std::string::npos;
	struct { const char* tool; const char* symbol; bool present; } cases[] = {
		{"argreport", "writer_out", true},
		{"argreport", "writer_err", false},
		{"argreport", "opt_next", false},
		{"argreport", "__cxa_", false},
		{"argreport", "operator new", false},
		{"argreport", "write_narrow", elf32},
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
		{"privreport", "mask_print", true},
		{"sigreport", "decimal_text", true},
		{"fdreport", "mask_print", false},
		{"nsreport", "mask_print", false},
		{"limitreport", "file_read", false},
		{"mntreport", "cgroup_load", false},
		{"mntreport", "decimal_text", false},
		{"devreport", "cgroup_read", true},
		{"sysreport", "file_read", true},
		{"sysreport", "cgroup_load", false},
	};
	for (auto& c : cases)
		EXPECT_EQ(defines(c.tool, c.symbol), c.present) << c.tool << " " << c.symbol;
}
