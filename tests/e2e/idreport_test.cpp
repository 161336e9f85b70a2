#include <gtest/gtest.h>
#include <stdlib.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include "harness.hpp"

namespace {

std::vector<std::string> expected_lines(const run_result& r, const char* mask)
{
	auto id = [](long v) { return std::to_string(uint32_t(v)); };
	return {
		"UID:\t" + id(getuid()) + "\n",
		"EUID:\t" + id(geteuid()) + "\n",
		"GID:\t" + id(getgid()) + "\n",
		"EGID:\t" + id(getegid()) + "\n",
		"PID:\t" + id(r.pid) + "\n",
		"PPID:\t" + id(getpid()) + "\n",
		"PGID:\t" + id(getpgrp()) + "\n",
		"SID:\t" + id(getsid(0)) + "\n",
		std::string("umask:\t") + mask + "\n",
	};
}

} // namespace

TEST(Idreport, NineLinesInNineWritesOnStandardError)
{
	struct { mode_t mask; const char* text; } cases[] = {{0, "0000"}, {022, "0022"}, {0777, "0777"}, {07, "0007"}};
	for (auto& c : cases) {
		run_result r = run({.tool = "idreport", .in_child = [&] { umask(c.mask); }});
		EXPECT_EQ(r.status, 0);
		EXPECT_EQ(r.err, expected_lines(r, c.text)) << c.text;
		EXPECT_TRUE(r.out.empty());
	}
}

TEST(Idreport, OperandFirstStillReports)
{
	run_result r = run({.tool = "idreport", .args = {"x"}, .in_child = [] { umask(022); }});
	EXPECT_EQ(r.err, expected_lines(r, "0022"));
}

TEST(Idreport, ExitsZeroWithStandardErrorClosed)
{
	run_result r = run({.tool = "idreport", .close_err = true});
	EXPECT_EQ(r.status, 0);
	EXPECT_TRUE(r.out.empty());
}

TEST(Idreport, SetIdCopiesShowRealAndEffectiveApart)
{
	if (geteuid() != 0) GTEST_SKIP() << "needs root to make set-id copies";
	if (emulated()) GTEST_SKIP() << "the emulator, not the probe, is what runs set-id";
	std::string copy = reachable_copy("idreport");
	struct statvfs fs;
	if (statvfs(copy.c_str(), &fs) == 0 && (fs.f_flag & ST_NOSUID)) GTEST_SKIP() << "/tmp is mounted nosuid";
	ASSERT_EQ(chown(copy.c_str(), 0, 0), 0);
	// Started as nobody, the copy is root in whichever id its mode sets.
	struct { mode_t mode; std::vector<std::string> ids; } cases[] = {
		{04755, {"UID:\t65534\n", "EUID:\t0\n", "GID:\t65534\n", "EGID:\t65534\n"}},
		{02755, {"UID:\t65534\n", "EUID:\t65534\n", "GID:\t65534\n", "EGID:\t0\n"}},
	};
	for (auto& c : cases) {
		ASSERT_EQ(chmod(copy.c_str(), c.mode), 0);
		run_result r = run({.tool = "idreport", .path = copy, .in_child = [] {
			const uid_t nobody = 65534;
			if (setgroups(0, nullptr) || setgid(nobody) || setuid(nobody)) _exit(126);
		}});
		EXPECT_EQ(r.status, 0) << std::oct << c.mode;
		r.err.resize(4);
		EXPECT_EQ(r.err, c.ids) << std::oct << c.mode;
	}
}
