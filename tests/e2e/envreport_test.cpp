#include <gtest/gtest.h>
#include "harness.hpp"

// An entry of n bytes with a name, so that emulators pass it on too.
static std::string entry(size_t n, const std::string& name)
{
	return name + "=" + std::string(n - name.size() - 1, 'x');
}

static std::vector<std::string> entries(size_t count, size_t n)
{
	std::vector<std::string> v;
	for (size_t i = 0; i < count; ++i) v.push_back(entry(n, "K" + std::to_string(i)));
	return v;
}

static std::string as_lines(const std::vector<std::string>& entries)
{
	std::string s;
	for (auto& e : entries) s += e + "\n";
	return s;
}

TEST(Envreport, PrintsEveryEntryVerbatimInOrder)
{
	// qemu-user keeps one entry per name and drops those without '='
	struct { const char* name; std::vector<std::string> env; std::vector<std::string> args; bool exact_only; } cases[] = {
		{"plain", {"A=1", "B=two words"}, {}, false},
		{"duplicates and no '='", {"A=1", "A=2", "noequals", "=", ""}, {}, true},
		{"newlines and high bytes", {"M=a\nb", "H=\xff\x80\xc3\xa9"}, {}, false},
		{"operands select nothing", {"A=1", "B=2"}, {"A"}, false},
	};
	for (const auto& c : cases) {
		if (emulated() && c.exact_only) continue;
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
		{"three 5000-byte entries", {entry(5000, "a"), entry(5000, "b"), entry(5000, "c")}, {5001, 5001, 5001}},
		{"an entry past the buffer", {"A=1", entry(20000, "x")}, {4, 8192, 8192, 3617}},
		{"a few KiB in one write", entries(40, 99), {4000}},
		{"exactly the buffer", {entry(8191, "f")}, {8192}},
		{"one byte past the buffer", {entry(8192, "g")}, {8192, 1}},
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
