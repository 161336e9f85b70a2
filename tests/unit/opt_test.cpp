#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "opt.hpp"

namespace {

// One call of opt_next: its result, and the state it leaves.
struct step {
	char result;
	char opt;
	const char* arg;  // null for none
	uint64_t ind;
};

struct scan_case {
	const char* name;
	const char* options;
	std::vector<const char*> args;  // after argv[0]
	std::vector<step> steps;
};

void run_case(const scan_case& c)
{
	std::vector<std::string> storage{"prog"};
	for (auto a : c.args) storage.push_back(a);
	std::vector<char*> argv;
	for (auto& s : storage) argv.push_back(s.data());
	argv.push_back(nullptr);
	opt_state s;
	opt_init(&s, int32_t(storage.size()), argv.data(), c.options, 1);
	for (size_t i = 0; i < c.steps.size(); ++i) {
		const step& want = c.steps[i];
		SCOPED_TRACE(std::string(c.name) + ", call " + std::to_string(i + 1));
		EXPECT_EQ(opt_next(&s), want.result);
		EXPECT_EQ(s.opt, want.opt);
		EXPECT_EQ(s.ind, want.ind);
		if (want.arg) {
			ASSERT_NE(s.arg, nullptr);
			EXPECT_STREQ(s.arg, want.arg);
		} else {
			EXPECT_EQ(s.arg, nullptr);
		}
	}
}

} // namespace

TEST(OptNext, ScansSingleDashCommandLines)
{
	const scan_case cases[] = {
		{"no arguments", "hV", {}, {{0, 0, nullptr, 1}}},
		{"operand first hides later options", "hV", {"x", "-h"}, {{0, 0, nullptr, 1}}},
		{"lone dash is an operand", "hV", {"-", "-h"}, {{0, 0, nullptr, 1}}},
		{"double dash ends options", "hV", {"--", "-h"}, {{0, 0, nullptr, 2}}},
		{"grouped options", "hV", {"-hV", "x"}, {{'h', 'h', nullptr, 1}, {'V', 'V', nullptr, 2}, {0, 0, nullptr, 2}}},
		{"unknown option", "hV", {"-x"}, {{'?', 'x', nullptr, 2}, {0, 0, nullptr, 2}}},
		{"question mark", "hV", {"-?"}, {{'?', '?', nullptr, 2}}},
		{"colon is never an option", "o:", {"-:"}, {{'?', ':', nullptr, 2}}},
		{"--version is an unknown '-'", "hV", {"--version"}, {{'?', '-', nullptr, 1}}},
		{"attached argument", "o:h", {"-ofile", "-h"}, {{'o', 'o', "file", 2}, {'h', 'h', nullptr, 3}}},
		{"grouped then attached", "ho:", {"-hofile"}, {{'h', 'h', nullptr, 1}, {'o', 'o', "file", 2}}},
		{"separate argument", "o:", {"-o", "file", "x"}, {{'o', 'o', "file", 3}, {0, 0, nullptr, 3}}},
		{"missing argument", "o:", {"-o"}, {{':', 'o', nullptr, 2}}},
		{"argument that looks like an option", "o:h", {"-o", "-h"}, {{'o', 'o', "-h", 3}, {0, 0, nullptr, 3}}},
		{"empty element is an operand", "hV", {"", "-h"}, {{0, 0, nullptr, 1}}},
		{"high byte option", "hV", {"-\xff"}, {{'?', '\xff', nullptr, 2}}},
	};
	for (const auto& c : cases) run_case(c);
}

TEST(OptNext, GroupedScanStopsInsideTheElement)
{
	char a0[] = "p", a1[] = "-hV";
	char* argv[] = {a0, a1, nullptr};
	opt_state s;
	opt_init(&s, 2, argv, "hV", 1);
	EXPECT_EQ(opt_next(&s), 'h');
	EXPECT_EQ(s.pos, 2u);
	EXPECT_EQ(s.ind, 1u);
}

TEST(OptNext, EmptyAndNegativeCountsSeeNoOptions)
{
	char* argv[] = {nullptr};
	for (int32_t argc : {0, -1}) {
		opt_state s;
		opt_init(&s, argc, argv, "hV", 1);
		EXPECT_EQ(opt_next(&s), 0) << argc;
		EXPECT_EQ(s.argc, 0u);
	}
}

TEST(ProgramName, IsTheLastPathComponent)
{
	struct { const char* argv0; const char* name; } cases[] = {
		{"/usr/bin/tool", "tool"},
		{"tool", "tool"},
		{"dir/", ""},
		{"./a//b", "b"},
		{"", ""},
	};
	for (auto& c : cases) {
		std::string a0 = c.argv0;
		char* argv[] = {a0.data(), nullptr};
		opt_state s;
		opt_init(&s, 1, argv, "hV", 1);
		const char* name = program_name(&s);
		EXPECT_STREQ(name, c.name) << c.argv0;
		EXPECT_TRUE(name >= a0.data() && name <= a0.data() + a0.size()) << "points into argv[0]";
	}
}
