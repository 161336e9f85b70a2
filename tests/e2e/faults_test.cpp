#include <gtest/gtest.h>
#include "harness.hpp"

namespace {

struct path_case {
	const char* tool;
	std::vector<std::string> args;
	int status;
};

const path_case paths[] = {
	{"argreport", {}, 0},
	{"argreport", {"-h"}, 0},
	{"envreport", {}, 0},
	{"envreport", {"-h"}, 0},
	{"envreport", {"-V"}, 0},
	{"envreport", {"-x"}, 100},
	{"envreport", {"-?"}, 100},
	{"idreport", {}, 0},
	{"idreport", {"-h"}, 0},
	{"idreport", {"-V"}, 0},
	{"idreport", {"-x"}, 100},
	{"limitreport", {}, 0},
	{"limitreport", {"-h"}, 0},
	{"limitreport", {"-V"}, 0},
	{"limitreport", {"--"}, 0},
	{"limitreport", {"-x"}, 100},
	{"fdreport", {}, 0},
	{"privreport", {}, 0},
	{"nsreport", {}, 0},
	{"resreport", {}, 0},
	{"sigreport", {}, 0},
};

std::string label(const path_case& p)
{
	return std::string(p.tool) + (p.args.empty() ? "" : " " + p.args[0]);
}

// Ids differ from run to run; the shape of each write does not.
std::vector<std::string> shape(std::vector<std::string> writes)
{
	for (auto& w : writes)
		for (auto& c : w)
			if (c >= '0' && c <= '9') c = 'N';
	return writes;
}

} // namespace

TEST(SystemCalls, EveryPathOfEveryProbeIsAudited)
{
	if (emulated()) GTEST_SKIP() << "strace sees the emulator's calls, not the probe's";
	for (const auto& p : paths) {
		run_result r = run({.tool = p.tool, .args = p.args, .env = {"A=1"}});
		EXPECT_TRUE(r.audited) << label(p);
		EXPECT_EQ(r.status, p.status) << label(p);
	}
}

TEST(WriteFaults, EndWithThePathStatusAndTouchNothingElse)
{
	for (const auto& p : paths) {
		run_result normal = run({.tool = p.tool, .args = p.args, .env = {"A=1"}});
		run_result full = run({.tool = p.tool, .args = p.args, .env = {"A=1"}, .out_file = "/dev/full"});
		run_result no_out = run({.tool = p.tool, .args = p.args, .env = {"A=1"}, .close_out = true});
		run_result no_err = run({.tool = p.tool, .args = p.args, .env = {"A=1"}, .close_err = true});
		for (auto* r : {&full, &no_out, &no_err}) EXPECT_EQ(r->status, p.status) << label(p);
		EXPECT_TRUE(full.out.empty()) << label(p);
		EXPECT_EQ(shape(full.err), shape(normal.err)) << label(p) << ", standard output full";
		EXPECT_EQ(shape(no_out.err), shape(normal.err)) << label(p) << ", standard output closed";
		// fdreport lists the descriptors themselves
		if (label(p) != "fdreport") {
			EXPECT_EQ(shape(no_err.out), shape(normal.out)) << label(p) << ", standard error closed";
		}
	}
}

TEST(WriteFaults, NonBlockingPipeReadLateLosesNothing)
{
	const std::string e(100000, 'e');
	const std::vector<std::string> big{"A=" + e, "B=" + e, "C=" + e};
	struct { const char* name; run_spec spec; } cases[] = {
		{"envreport, large", {.tool = "envreport", .env = big, .nonblocking_pipe = 1}},
		{"argreport, large", {.tool = "argreport", .args = big, .nonblocking_pipe = 1}},
		{"idreport, full", {.tool = "idreport", .nonblocking_pipe = 2, .pipe_full = true}},
		{"limitreport, full", {.tool = "limitreport", .nonblocking_pipe = 1, .pipe_full = true}},
		{"envreport -V, full", {.tool = "envreport", .args = {"-V"}, .nonblocking_pipe = 2, .pipe_full = true}},
		{"privreport, full", {.tool = "privreport", .nonblocking_pipe = 1, .pipe_full = true}},
		{"sigreport, full", {.tool = "sigreport", .nonblocking_pipe = 1, .pipe_full = true}},
		{"fdreport, full", {.tool = "fdreport", .nonblocking_pipe = 1, .pipe_full = true}},
		{"nsreport, full", {.tool = "nsreport", .nonblocking_pipe = 1, .pipe_full = true}},
		{"resreport, full", {.tool = "resreport", .nonblocking_pipe = 1, .pipe_full = true}},
	};
	for (auto& c : cases) {
		// against the same pipe, not full, where the report lists it
		run_spec plain = c.spec;
		plain.nonblocking_pipe = c.spec.pipe_full ? c.spec.nonblocking_pipe : 0;
		plain.pipe_full = false;
		run_result want = run(plain), got = run(c.spec);
		EXPECT_EQ(got.status, 0) << c.name;
		auto arrived = shape({got.out_text(), got.err_text()}), sent = shape({want.out_text(), want.err_text()});
		EXPECT_TRUE(arrived == sent) << c.name << ": " << arrived[0].size() + arrived[1].size() << " of "
					     << sent[0].size() + sent[1].size() << " bytes arrived";
		if (got.audited) {
			EXPECT_GT(got.waits, 0) << c.name << ": never had to wait";
			// a reader that comes back once is waited for a few times, not spun on
			EXPECT_LE(got.waits, 8) << c.name << ": waited by spinning";
		}
	}
}
