#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include "harness.hpp"

namespace {

struct limit_line {
	const char* name;
	int resource;  // -1: not provided
	const char* description;
};

const limit_line report[] = {
	{"RLIMIT_AS", RLIMIT_AS, "maximum total available memory (bytes)"},
	{"RLIMIT_CORE", RLIMIT_CORE, "maximum size core file (bytes)"},
	{"RLIMIT_CPU", RLIMIT_CPU, "maximum cpu time per process (seconds)"},
	{"RLIMIT_DATA", RLIMIT_DATA, "maximum data segment per process (bytes)"},
	{"RLIMIT_FSIZE", RLIMIT_FSIZE, "maximum file size that may be created (bytes)"},
	{"RLIMIT_LOCKS", RLIMIT_LOCKS, "maximum number of file locks that may be held (locks)"},
	{"RLIMIT_MEMLOCK", RLIMIT_MEMLOCK, "maximum memory a process may mlock() (bytes)"},
	{"RLIMIT_NOFILE", RLIMIT_NOFILE, "maximum number of open files per process (files)"},
	{"RLIMIT_NPROC", RLIMIT_NPROC, "maximum number of child processes per user id (processes)"},
	{"RLIMIT_RSS", RLIMIT_RSS, "maximum resident set size (bytes)"},
	{"RLIMIT_SBSIZE", -1, nullptr},
	{"RLIMIT_STACK", RLIMIT_STACK, "maximum size of stack segment per process (bytes)"},
};

std::string expected_report()
{
	std::string s;
	for (auto& l : report) {
		s += l.name;
		if (l.resource < 0) {
			s += "\t[not provided on this platform]\n";
			continue;
		}
		rlimit r;
		getrlimit(__rlimit_resource(l.resource), &r);
		s += std::string("\t") + l.description + ": ";
		s += r.rlim_cur == RLIM_INFINITY ? "unlimited" : std::to_string(r.rlim_cur);
		s += "\n";
	}
	return s;
}

// Runs limitreport with one limit set in the child first.
run_result run_with(int resource, rlim_t soft, rlim_t hard)
{
	return run({.tool = "limitreport", .in_child = [=] {
		rlimit r{soft, hard};
		if (setrlimit(__rlimit_resource(resource), &r)) _exit(126);
	}});
}

std::string core_line(const run_result& r)
{
	std::string text = r.out_text();
	size_t at = text.find("RLIMIT_CORE\t");
	return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
}

} // namespace

TEST(Limitreport, TwelveLinesInReportOrderInOneWrite)
{
	run_result r = run({.tool = "limitreport"});
	EXPECT_EQ(r.status, 0);
	ASSERT_EQ(r.out.size(), 1u);
	EXPECT_EQ(r.out[0], expected_report());
	EXPECT_TRUE(r.err.empty());
}

TEST(Limitreport, SoftLimitsPrintInFull)
{
	// Under an unlimited hard limit any soft limit can be set without root.
	rlimit now;
	getrlimit(RLIMIT_CORE, &now);
	if (geteuid() != 0 && now.rlim_max != RLIM_INFINITY) GTEST_SKIP() << "raising a hard limit needs root";
	// musl on mips64el folds limits of 2^63-1 and above into no limit; only
	// native runs take the row above 2^63
	struct { rlim_t soft; const char* text; bool exact_only; } cases[] = {
		{0, "0", false},
		{4294967296u, "4294967296", false},
		{9223372036854775806u, "9223372036854775806", false},
		{18446744073709551614u, "18446744073709551614", true},
		{RLIM_INFINITY, "unlimited", false},
	};
	for (auto& c : cases) {
		if (emulated() && c.exact_only) continue;
		run_result r = run_with(RLIMIT_CORE, c.soft, RLIM_INFINITY);
		ASSERT_EQ(r.status, 0) << c.text;
		EXPECT_EQ(core_line(r), std::string("RLIMIT_CORE\tmaximum size core file (bytes): ") + c.text);
	}
}

TEST(Limitreport, HardLimitsAreNeverShown)
{
	run_result a = run_with(RLIMIT_CORE, 1024, 4096);
	run_result b = run_with(RLIMIT_CORE, 1024, 8192);
	ASSERT_EQ(a.status, 0);
	EXPECT_EQ(a.out, b.out);
	EXPECT_EQ(core_line(a), "RLIMIT_CORE\tmaximum size core file (bytes): 1024");
}

TEST(Limitreport, ExitsZeroWithStandardOutputClosed)
{
	run_result r = run({.tool = "limitreport", .close_out = true});
	EXPECT_EQ(r.status, 0);
	EXPECT_TRUE(r.err.empty());
}

TEST(Limitreport, FailedQueryPrintsNoValue)
{
	run_result r = run({.tool = "limitreport", .in_child = [] {
		seccomp_refusing({__NR_prlimit64, __NR_getrlimit});
	}});
	ASSERT_EQ(r.status, 0);
	std::string want;
	for (auto& l : report) {
		want += l.name;
		want += l.resource < 0 ? "\t[not provided on this platform]\n"
				       : std::string("\t") + l.description + ": [query failed]\n";
	}
	EXPECT_EQ(r.out_text(), want);
}
