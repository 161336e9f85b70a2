#include <gtest/gtest.h>
#include "harness.hpp"

static std::string as_lines(const std::vector<std::string>& entries)
{
	std::string s;
	for (auto& e : entries) s += e + "\n";
	return s;
}

TEST(Envreport, PrintsEveryEntryVerbatimInOrder)
{
	struct { const char* name; std::vector<std::string> env; std::vector<std::string> args; } cases[] = {
		{"plain", {"A=1", "B=two words"}, {}},
		{"duplicates and no '='", {"A=1", "A=2", "noequals", "=", ""}, {}},
		{"newlines and high bytes", {"M=a\nb", "H=\xff\x80\xc3\xa9"}, {}},
		{"operands select nothing", {"A=1", "B=2"}, {"A"}},
	};
	for (const auto& c : cases) {
		run_result r = run({.tool = "envreport", .args = c.args, .env = c.env});
		EXPECT_EQ(r.status, 0) << c.name;
		EXPECT_EQ(r.out, std::vector<std::string>{as_lines(c.env)}) << c.name << ": one write";
		EXPECT_TRUE(r.err.empty()) << c.name;
	}
}

TEST(Envreport, EmptyEnvironmentMakesNoWrite)
{
	run_result r = run({.tool = "envreport"});
	EXPECT_EQ(r.status, 0);
	EXPECT_TRUE(r.out.empty());
	EXPECT_TRUE(r.err.empty());
}

TEST(Envreport, LargeEnvironmentsLeaveInBufferedWrites)
{
	struct { const char* name; std::vector<std::string> env; std::vector<size_t> writes; } cases[] = {
		{"three 5000-byte entries", {std::string(5000, 'a'), std::string(5000, 'b'), std::string(5000, 'c')}, {5001, 5001, 5001}},
		{"an entry past the buffer", {"A=1", std::string(20000, 'x')}, {4, 8192, 8192, 3617}},
		{"a few KiB in one write", std::vector<std::string>(40, std::string(99, 'k')), {4000}},
	};
	for (const auto& c : cases) {
		run_result r = run({.tool = "envreport", .env = c.env});
		EXPECT_EQ(r.out_sizes(), c.writes) << c.name;
		EXPECT_EQ(r.out_text(), as_lines(c.env)) << c.name;
	}
}

TEST(Envreport, ExitsZeroWithStandardOutputClosed)
{
	run_result r = run({.tool = "envreport", .env = {"A=1"}, .close_out = true});
	EXPECT_EQ(r.status, 0);
	EXPECT_TRUE(r.err.empty());
}
