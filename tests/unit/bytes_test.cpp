#include <gtest/gtest.h>
#include "bytes.hpp"

TEST(CstrLength, CountsUpToTheFirstNulAtEveryAlignment)
{
	const char text[] = "abcdefg\0hij";
	for (uint64_t n = 0; n <= 7; ++n)
		EXPECT_EQ(cstr_length(text + 7 - n), n);
}

TEST(CstrIndex, FindsOrStopsAtTheTerminator)
{
	struct { const char* s; uint8_t c; uint64_t want; } cases[] = {
		{"hV", 'V', 1},
		{"hV", 'x', 2},
		{"hV", 0, 2},
		{"", 'h', 0},
		{"abcdefgh", 'h', 7},
		{"o:x", ':', 1},
		{"a\xff" "b", 0xff, 1},
		{"a\x80", 0xff, 2},
	};
	for (auto& c : cases) {
		EXPECT_EQ(cstr_index(c.s, c.c), c.want) << c.s << " " << int(c.c);
		EXPECT_EQ(c.s[c.want] == 0, c.want == cstr_length(c.s));
	}
}

TEST(CstrCompare, OrdersBytesAsUnsigned)
{
	struct { const char* a; const char* b; int sign; } cases[] = {
		{"--", "--", 0},
		{"", "", 0},
		{"-", "--", -1},
		{"--", "-", 1},
		{"RLIMIT_AS", "RLIMIT_ASX", -1},
		{"abcde", "abcdf", -1},
		{"\x80", "\x7f", 1},
		{"a\xff", "az", 1},
		{"abcdefgh\x01", "abcdefgh\xfe", -1},
	};
	for (auto& c : cases) {
		int r = cstr_compare(c.a, c.b);
		EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
	}
	EXPECT_EQ(cstr_compare("\xff", ""), 255);
	EXPECT_EQ(cstr_compare("-", "--"), -'-');
}

TEST(BytesCopy, CopiesExactlyNBytes)
{
	const char src[] = "0123456789abcdefghijk";
	for (uint64_t n = 0; n <= 20; ++n) {
		char dst[24];
		memset(dst, '#', sizeof dst);
		EXPECT_EQ(bytes_copy(dst, src, n), dst);
		EXPECT_EQ(std::string(dst, n), std::string(src, n));
		EXPECT_EQ(dst[n], '#') << n;
	}
}
