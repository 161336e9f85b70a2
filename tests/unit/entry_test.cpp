#include <gtest/gtest.h>
#include "fake_write.hpp"

int argreport_main(int argc, char** argv);

// The kernel never starts a process without arguments any more, so the
// empty vector is only reachable by calling the entry in-process.
TEST(EmptyVector, ArgreportPrintsNothing)
{
	fake_write::reset();
	writer_out->op = fake_write::op;
	char* argv[] = {nullptr};
	EXPECT_EQ(argreport_main(0, argv), 0);
	EXPECT_TRUE(fake_write::calls.empty());
	EXPECT_EQ(writer_out->pos, 0u);
}
