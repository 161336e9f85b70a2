#include <gtest/gtest.h>
#include <string>
#include "limitreport/limit_table.hpp"

TEST(LimitTable, LookupsTakeTheFirstMatch)
{
	struct { const char* name; int32_t id; const char* name_by_id; } cases[] = {
		{"RLIMIT_CPU", 0, "RLIMIT_CPU"},
		{"RLIMIT_STACK", 3, "RLIMIT_STACK"},
		{"RLIMIT_VMEM", 9, "RLIMIT_VMEM"},
		{"RLIMIT_AS", 9, "RLIMIT_VMEM"},
		{"RLIMIT_LOCKS", 10, "RLIMIT_LOCKS"},
		{"RLIMIT_SBSIZE", -1, nullptr},
		{"RLIMIT_A", -1, nullptr},
		{"rlimit_cpu", -1, nullptr},
	};
	for (auto& c : cases) {
		EXPECT_EQ(limit_id_by_name(c.name), c.id) << c.name;
		const char* n = limit_name_by_id(c.id);
		EXPECT_EQ(n ? std::string(n) : "(null)", c.name_by_id ? c.name_by_id : "(null)") << c.name;
	}
	EXPECT_STREQ(limit_description_by_id(9), "maximum total available memory (bytes)");
	EXPECT_EQ(limit_description_by_id(11), nullptr);
	EXPECT_EQ(limit_description_by_id(-1), nullptr);
}

TEST(LimitTable, EveryReportedNameButSbsizeIsInTheTable)
{
	int missing = 0, count = 0;
	for (const char* const* n = limit_names; *n; ++n, ++count)
		if (limit_id_by_name(*n) == -1) {
			++missing;
			EXPECT_STREQ(*n, "RLIMIT_SBSIZE");
		}
	EXPECT_EQ(count, 12);
	EXPECT_EQ(missing, 1);
}
