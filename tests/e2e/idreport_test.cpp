#include <gtest/gtest.h>
#include <stdlib.h>
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

TEST(Idreport, SetUserIdCopyShowsRealAndEffectiveApart)
{
	if (geteuid() != 0) GTEST_SKIP() << "needs root to make a set-user-id copy";
	char dir[] = "/tmp/idreport-XXXXXX";
	ASSERT_NE(mkdtemp(dir), nullptr);
	chmod(dir, 0755);
	struct statvfs fs;
	if (statvfs(dir, &fs) == 0 && (fs.f_flag & ST_NOSUID)) {
		rmdir(dir);
		GTEST_SKIP() << "/tmp is mounted nosuid";
	}
	std::string copy = std::string(dir) + "/idreport";
	ASSERT_EQ(system(("cp " + probe_path("idreport") + " " + copy).c_str()), 0);
	ASSERT_EQ(chown(copy.c_str(), 0, 0), 0);
	ASSERT_EQ(chmod(copy.c_str(), 04755), 0);
	const uid_t nobody = 65534;
	run_result r = run({.tool = "idreport", .path = copy, .in_child = [] {
		if (setgid(nobody) || setuid(nobody)) _exit(126);
	}});
	unlink(copy.c_str());
	rmdir(dir);
	ASSERT_EQ(r.status, 0);
	ASSERT_GE(r.err.size(), 4u);
	EXPECT_EQ(r.err[0], "UID:\t65534\n");
	EXPECT_EQ(r.err[1], "EUID:\t0\n");
	EXPECT_EQ(r.err[2], "GID:\t65534\n");
	EXPECT_EQ(r.err[3], "EGID:\t65534\n");
}
