#include <gtest/gtest.h>
#include "harness.hpp"

namespace {
struct arg_case {
	const char* name;
	std::vector<std::string> args;
	std::string out;
};
}

TEST(Argreport, PrintsEachElementOnItsOwnLine)
{
	const std::string big(9000, 'x');
	const arg_case cases[] = {
		{"no arguments", {}, "/bin/argreport\n"},
		{"options are plain arguments", {"-h", "", "--"}, "/bin/argreport\n-h\n\n--\n"},
		{"-V is not a version request", {"-V"}, "/bin/argreport\n-V\n"},
		{"a newline spans two lines", {"a\nb"}, "/bin/argreport\na\nb\n"},
		{"high bytes pass through", {"\xff\x80\xc3\xa9"}, "/bin/argreport\n\xff\x80\xc3\xa9\n"},
		{"larger than the buffer", {big, "tail"}, "/bin/argreport\n" + big + "\ntail\n"},
	};
	for (const auto& c : cases) {
		run_result r = run({.tool = "argreport", .args = c.args, .argv0 = "/bin/argreport"});
		EXPECT_EQ(r.status, 0) << c.name;
		EXPECT_EQ(r.out_text(), c.out) << c.name;
		EXPECT_TRUE(r.err.empty()) << c.name;
	}
}

TEST(Argreport, KeepsTheInvocationNameWhole)
{
	run_result r = run({.tool = "argreport", .args = {"x"}});
	EXPECT_EQ(r.out_text(), probe_path("argreport") + "\nx\n");
}

TEST(Argreport, WriteBoundaries)
{
	// "/a\n" is 3 bytes; a 5000-byte argument with its newline is 5001.
	struct { const char* name; std::vector<std::string> args; std::vector<size_t> writes; } cases[] = {
		{"a small report leaves in one write", {"one", "two"}, {11}},
		{"what does not fit flushes first", {std::string(5000, 'a'), std::string(5000, 'b')}, {5004, 5001}},
		{"larger than the buffer goes direct", {std::string(10000, 'c')}, {3, 8192, 1809}},
	};
	for (const auto& c : cases) {
		run_result r = run({.tool = "argreport", .args = c.args, .argv0 = "/a"});
		EXPECT_EQ(r.out_sizes(), c.writes) << c.name;
	}
}

TEST(Argreport, ExitsZeroWithStandardOutputClosed)
{
	run_result r = run({.tool = "argreport", .args = {"x"}, .close_out = true});
	EXPECT_EQ(r.status, 0);
	EXPECT_TRUE(r.err.empty());
}
