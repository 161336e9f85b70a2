#include <gtest/gtest.h>
#include "fake_write.hpp"
#include "format.hpp"
#include "mask.hpp"
#include "privreport/privilege_names.hpp"
#include "sigreport/signal_names.hpp"

TEST(Mask, LinesGiveZeroFilledDigitsAndTheNamesOfSetBits)
{
	char hex[hex_text_max];
	EXPECT_STREQ(hex_text_padded(hex, 18446744073709551615u, 16), "ffffffffffffffff");
	EXPECT_STREQ(hex_text_padded(hex, 0x1234, 2), "1234") << "nothing is cut";
	struct { const bit_names* names; uint64_t mask; uint64_t width; const char* line; } cases[] = {
		{&capability_names, 0x400, 16, "L:\t0000000000000400\tcap_net_bind_service\n"},
		{&capability_names, 0x3 | 1ull << 40 | 1ull << 41, 16, "L:\t0000030000000003\tcap_chown,cap_dac_override,cap_checkpoint_restore,cap_41\n"},
		{&signal_names, 0, 16, "L:\t0000000000000000\n"},
		{&signal_names, 1u << 12 | 1ull << 33 | 1ull << 63, 16, "L:\t8000000200001000\tSIGPIPE,SIG34,SIG64\n"},
		{&signal_names, 0x3full << 28 | 1, 16, "L:\t00000003f0000001\tSIGHUP,SIGIO,SIGPWR,SIGSYS,SIG32,SIG33,SIG34\n"},
		{&securebit_names, 0x1003, 8, "L:\t00001003\tnoroot,noroot_locked,secure_12\n"},
	};
	for (auto& c : cases) {
		test_writer t(256);
		EXPECT_EQ(mask_print(&t.w, "L", c.mask, c.width, c.names), 0);
		EXPECT_EQ(fake_write::bytes + t.held(), c.line);
	}
	test_writer small(4);
	fake_write::script = {{EBADF, 0}};
	EXPECT_EQ(mask_print(&small.w, "CapEff", 0x3, 16, &capability_names), -1);
	EXPECT_EQ(fake_write::calls.size(), 1u) << "nothing after the failed put";
}
