#include <algorithm>
#include <gtest/gtest.h>
#include "fake_write.hpp"
#include "front.hpp"

int argreport_main(int argc, char** argv);
int envreport_main(int argc, char** argv, char** envp);
int idreport_main(int argc, char** argv);
int limitreport_main(int argc, char** argv);

// The kernel never starts a process without arguments any more, so the
// empty vector is only reachable by calling the entry in-process.
class EmptyVector : public testing::Test {
protected:
	void SetUp() override
	{
		fake_write::reset();
		writer_out->op = fake_write::op;
		writer_err->op = fake_write::op;
	}
	size_t lines() const { return std::count(fake_write::bytes.begin(), fake_write::bytes.end(), '\n'); }
	char* argv[1] = {nullptr};
};

TEST_F(EmptyVector, ArgreportPrintsNothingAndStopsAtTheVectorsEnd)
{
	EXPECT_EQ(argreport_main(0, argv), 0);
	EXPECT_TRUE(fake_write::calls.empty());
	EXPECT_EQ(writer_out->pos, 0u);
	// the vector ends at its null pointer, whatever the count says
	char x[] = "x", y[] = "y";
	char* overstated[] = {x, nullptr, y};
	EXPECT_EQ(argreport_main(3, overstated), 0);
	EXPECT_EQ(fake_write::bytes, "x\n");
}

TEST_F(EmptyVector, EnvreportRunsItsReportUnderASafeName)
{
	char entry[] = "A=1";
	char* envp[] = {entry, nullptr};
	EXPECT_EQ(envreport_main(0, argv, envp), 0);
	EXPECT_EQ(fake_write::bytes, "A=1\n");
	ASSERT_NE(prog_name, nullptr);
	EXPECT_STREQ(prog_name, "");
}

TEST_F(EmptyVector, IdreportPrintsItsNineLines)
{
	mode_t old = umask(022);
	EXPECT_EQ(idreport_main(0, argv), 0);
	umask(old);
	EXPECT_EQ(fake_write::calls.size(), 9u);
	EXPECT_EQ(lines(), 9u);
	EXPECT_NE(fake_write::bytes.find("umask:\t0022\n"), std::string::npos);
}

TEST_F(EmptyVector, LimitreportPrintsItsTwelveLines)
{
	EXPECT_EQ(limitreport_main(0, argv), 0);
	EXPECT_EQ(fake_write::calls.size(), 1u);
	EXPECT_EQ(lines(), 12u);
}
