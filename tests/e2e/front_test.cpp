#include <gtest/gtest.h>
#include "harness.hpp"

namespace {

// every probe but argreport, which prints every argument as it is
std::vector<std::string> fronted() { auto all = probes(); std::erase(all, "argreport"); return all; }

struct front_case {
	const char* name;
	std::vector<std::string> args;
	int status;
	std::vector<std::string> err;  // one entry per write; @ stands for the name
};

// @ stands for the name, and the usage line names the probe's operands
std::string named(std::string text, const std::string& name)
{
	for (size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, name);
	const std::map<std::string, std::string> operands = {{"mntreport", " [PATH...]"}, {"sysreport", " [NAME...]"}};
	if (size_t at = text.find("[-hV]"); at != text.npos && operands.count(name)) text.insert(at + 5, operands.at(name));
	return text;
}

} // namespace

TEST(Front, OptionsAnswerOnStandardErrorInOneWriteEach)
{
	const front_case cases[] = {
		{"-V", {"-V"}, 0, {"@: version: 2.07\n"}},
		{"-h", {"-h"}, 0, {"usage: @ [-hV]\n"}},
		{"-x", {"-x"}, 100, {"@: usage error: invalid option: -x\n", "usage: @ [-hV]\n"}},
		{"-?", {"-?"}, 100, {"usage: @ [-hV]\n"}},
		{"--version", {"--version"}, 100, {"@: usage error: invalid option: --\n", "usage: @ [-hV]\n"}},
		{"-hV acts as -h", {"-hV"}, 0, {"usage: @ [-hV]\n"}},
		{"-Vh acts as -V", {"-Vh"}, 0, {"@: version: 2.07\n"}},
		{"-hx acts as -h", {"-hx"}, 0, {"usage: @ [-hV]\n"}},
		{"-V then more", {"-V", "-x", "foo"}, 0, {"@: version: 2.07\n"}},
		{"-: is invalid", {"-:"}, 100, {"@: usage error: invalid option: -:\n", "usage: @ [-hV]\n"}},
	};
	for (auto& tool : fronted())
		for (const auto& c : cases) {
			run_result r = run({.tool = tool, .args = c.args});
			std::vector<std::string> want;
			for (auto& w : c.err) want.push_back(named(w, tool));
			EXPECT_EQ(r.status, c.status) << tool << " " << c.name;
			EXPECT_EQ(r.err, want) << tool << " " << c.name;
			EXPECT_TRUE(r.out.empty()) << tool << " " << c.name;
		}
}

TEST(Front, NonOptionsRunTheReport)
{
	const std::vector<std::string> firsts[] = {{"foo", "-h"}, {"-", "-h"}, {"--", "-h"}, {"", "-V"}};
	for (auto& tool : fronted())
		for (const auto& args : firsts) {
			run_result r = run({.tool = tool, .args = args, .env = {"K=v"}});
			std::string all = r.out_text() + r.err_text();
			EXPECT_EQ(r.status, 0) << tool << " " << args[0];
			EXPECT_FALSE(all.empty()) << tool << " " << args[0];
			EXPECT_EQ(all.find("usage"), std::string::npos) << tool << " " << args[0];
			EXPECT_EQ(all.find("version"), std::string::npos) << tool << " " << args[0];
		}
}

TEST(Front, NameIsTheLastComponentOfTheInvocationPath)
{
	// The 256-byte buffer is flushed before a piece that does not fit, and
	// a piece longer than the buffer is written directly.
	const std::string n247(247, 'n'), n250(250, 'v'), n300(300, 'l');
	struct { std::string argv0; const char* arg; std::vector<std::string> err; } cases[] = {
		{"/some/dir/idreport", "-V", {"idreport: version: 2.07\n"}},
		{"plain", "-V", {"plain: version: 2.07\n"}},
		{"dir/", "-V", {": version: 2.07\n"}},
		{n247, "-h", {"usage: " + n247 + " ", "[-hV]\n"}},
		{n250, "-V", {n250, ": version: 2.07\n"}},
		{n250, "-x", {n250, ": usage error: invalid option: -x\n", "usage: ", n250 + " [-hV]", "\n"}},
		{n300, "-h", {"usage: ", n300, " [-hV]\n"}},
	};
	for (auto& c : cases) {
		run_result r = run({.tool = "idreport", .args = {c.arg}, .argv0 = c.argv0});
		EXPECT_EQ(r.err, c.err) << c.argv0.substr(0, 20) << " " << c.arg;
	}
}
