#include <gtest/gtest.h>
#include <string.h>
#include "format.hpp"

TEST(Format, DecimalText)
{
	struct { uint64_t v; const char* text; } cases[] = {
		{0, "0"},
		{9, "9"},
		{10, "10"},
		{4294967295u, "4294967295"},
		{18446744073709551615u, "18446744073709551615"},
	};
	for (auto& c : cases) {
		char buf[decimal_text_max + 1];
		memset(buf, '#', sizeof buf);
		EXPECT_EQ(decimal_text(buf, c.v), buf);
		EXPECT_STREQ(buf, c.text);
		EXPECT_EQ(format_decimal(nullptr, c.v), strlen(c.text));
		EXPECT_EQ(buf[strlen(c.text) + 1], '#') << "nothing past the terminator";
	}
}

TEST(Format, LengthQueryWritesNothing)
{
	EXPECT_EQ(format_decimal(nullptr, 100), 3u);
	EXPECT_EQ(format_octal(nullptr, 8), 2u);
	EXPECT_EQ(format_hex(nullptr, 0), 1u);
	EXPECT_EQ(format_hex(nullptr, 0xffff), 4u);
	char buf[4] = "###";
	EXPECT_EQ(format_decimal(buf, 7), 1u);
	EXPECT_STREQ(buf, "7##") << "no terminator from the counting form";
}

TEST(Format, OctalText)
{
	struct { uint32_t v; uint64_t width; const char* text; } cases[] = {
		{0, 0, "0"},
		{8, 0, "10"},
		{4294967295u, 0, "37777777777"},
		{0, 4, "0000"},
		{18, 4, "0022"},
		{511, 4, "0777"},
		{511, 2, "777"},
		{511, 3, "777"},
		{4095, 4, "7777"},
	};
	for (auto& c : cases) {
		char buf[16];
		memset(buf, '#', sizeof buf);
		if (c.width)
			EXPECT_EQ(octal_text_padded(buf, c.v, c.width), buf);
		else
			EXPECT_EQ(octal_text(buf, c.v), buf);
		EXPECT_STREQ(buf, c.text) << c.v << " width " << c.width;
	}
}

