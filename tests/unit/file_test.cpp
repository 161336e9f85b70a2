#include <fcntl.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include "fake_write.hpp"
#include "file.hpp"
#include "privreport/label.hpp"
#include "resreport/resreport.hpp"

namespace {
long open_descriptors() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

// A record as the kernel lays it out: the next starts at a multiple of 8.
std::string record(uint64_t id, const std::string& label)
{
	uint64_t head[4] = {id, 0, (32 + label.size() + 7) / 8 * 8, label.size()};
	return std::string(reinterpret_cast<char*>(head), 32) + label + std::string(head[2] - 32 - label.size(), 'z');
}
}

TEST(FileRead, HoldsTheFileOrItsStartAndClosesOnEveryPath)
{
	const std::string dir = testing::TempDir() + "file-read-test";
	std::filesystem::create_directory(dir);
	std::ofstream(dir + "/empty"), std::ofstream(dir + "/six") << "abcdef";
	struct { const char* name; uint64_t cap; int64_t result; int error; std::string held; } cases[] = {
		{"empty", 8, 0, 0, ""}, {"six", 6, 6, 0, "abcdef"}, {"six", 4, 4, 0, "abcd"}, {"missing", 8, -1, ENOENT, ""}, {"", 8, -1, EISDIR, ""},
	};
	for (auto& c : cases) {
		char buf[8] = {};
		long before = open_descriptors();
		errno = 0;
		EXPECT_EQ(file_read(AT_FDCWD, (dir + "/" + c.name).c_str(), buf, c.cap), c.result) << c.name << " " << c.cap;
		EXPECT_EQ(errno, c.error) << c.name;
		EXPECT_EQ(std::string(buf), c.held) << c.name;
		EXPECT_EQ(open_descriptors(), before) << c.name;
	}
	std::filesystem::remove_all(dir);
}

TEST(Label, RecordsGiveOneLineEachWithoutTheirEnds)
{
	const std::string se = record(101, std::string("system_u:system_r:container_t:s0:c1,c2") + '\0');
	struct { std::string records; uint64_t count; const char* lines; } cases[] = {
		{se, 1, "Label:\tselinux\tsystem_u:system_r:container_t:s0:c1,c2\n"},
		{record(104, "docker-default (enforce)\n") + record(999, "x") + record(102, "_"), 3,
			"Label:\tapparmor\tdocker-default (enforce)\nLabel:\tlsm999\tx\nLabel:\tsmack\t_\n"},
		{"", 0, "Label:\t[not provided on this platform]\n"},
		{record(104, "a\tb\x7f\\ c\nd\n"), 1, "Label:\tapparmor\ta\\011b\\177\\134 c\\012d\n"},
		{se.substr(0, 31), 1, "Label:\t[query failed]\n"},
		{se.substr(0, se.size() - 8), 1, "Label:\t[query failed]\n"},
		{se + se.substr(0, 40), 2, "Label:\tselinux\tsystem_u:system_r:container_t:s0:c1,c2\nLabel:\t[query failed]\n"},
	};
	for (auto& c : cases) {
		test_writer t(4096);
		label_records_print(&t.w, c.records.data(), c.records.size(), c.count);
		EXPECT_EQ(t.held(), c.lines) << c.records.size();
	}
}

TEST(Cpus, RunsOfTwoOrMoreAsTheKernelListsThem)
{
	static_assert(sizeof(unsigned long) == 8, "masks of the host's own words");
	const struct { std::vector<unsigned long> mask; const char* list; } cases[] = {
		{{0}, ""}, {{2}, "1"}, {{0xd0f}, "0-3,8,10-11"}, {{0x8000000000000780, 0x8000000000000003}, "7-10,63-65,127"},
	};
	for (auto& c : cases) {
		test_writer t(64);
		cpus_print(&t.w, c.mask.data(), 64 * c.mask.size());
		EXPECT_EQ(t.held(), c.list);
	}
}
