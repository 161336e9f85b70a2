#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include "fake_write.hpp"
#include "writer/system_write.hpp"

namespace {

std::string pattern(uint64_t n, uint64_t from = 0)
{
	std::string s(n, 0);
	for (uint64_t i = 0; i < n; ++i) s[i] = char('a' + (from + i) % 26);
	return s;
}

using put_fn = int32_t (*)(writer*, const char*, uint64_t);
// The string forms, on the same terms; the pattern holds no NUL.
const put_fn putsalign = [](writer* w, const char* s, uint64_t) { return writer_putsalign(w, s); };
const put_fn putsflush = [](writer* w, const char* s, uint64_t) { return writer_putsflush(w, s); };

struct write_case {
	const char* name;
	uint64_t cap;
	uint64_t held;
	put_fn put;
	uint64_t len;
	std::vector<uint64_t> writes;
	uint64_t held_after;
};

} // namespace

TEST(Writer, WriteSizesFollowTheBufferingRules)
{
	const write_case cases[] = {
		{"small put is buffered", 256, 0, writer_put, 5, {}, 5},
		{"exact fill is buffered", 256, 56, writer_put, 200, {}, 256},
		{"one past fill flushes first", 256, 256, writer_put, 1, {256}, 1},
		{"overflow buffers after flush", 256, 200, writer_put, 100, {200}, 100},
		{"held 10 then 300", 256, 10, writer_put, 300, {10, 300}, 0},
		{"16400 into 256", 256, 0, writer_put, 16400, {8192, 8192}, 16},
		{"20000 into 256", 256, 0, writer_put, 20000, {8192, 8192, 3616}, 0},
		{"10000 into 8192", 8192, 0, writer_put, 10000, {8192}, 1808},
		{"20000 into 16384", 16384, 0, writer_put, 20000, {16384}, 3616},
		{"remainder of exactly cap is buffered", 256, 0, writer_put, 8448, {8192}, 256},
		{"putalign 600 into 256", 256, 0, writer_putalign, 600, {256, 256}, 88},
		{"putalign exact fill", 256, 6, writer_putalign, 250, {}, 256},
		{"putalign keeps held", 256, 100, writer_putalign, 600, {256, 256}, 188},
		{"putsalign measures the string", 256, 100, putsalign, 600, {256, 256}, 188},
		{"putflush writes held then new", 256, 10, writer_putflush, 20, {10, 20}, 0},
		{"putflush on empty", 256, 0, writer_putflush, 300, {300}, 0},
		{"putflush of nothing", 256, 0, writer_putflush, 0, {}, 0},
		{"putsflush writes held then the string", 256, 10, putsflush, 20, {10, 20}, 0},
	};
	for (const auto& c : cases) {
		test_writer t(c.cap);
		std::string held = pattern(c.held);
		std::string more = pattern(c.len, c.held);
		ASSERT_EQ(writer_put(&t.w, held.data(), held.size()), 0);
		ASSERT_EQ(c.put(&t.w, more.data(), more.size()), 0) << c.name;
		EXPECT_EQ(fake_write::calls, c.writes) << c.name;
		EXPECT_EQ(t.w.pos, c.held_after) << c.name;
		EXPECT_EQ(fake_write::bytes + t.held(), held + more) << c.name;
	}
}

TEST(Writer, FlushOfAnEmptyWriterMakesNoCall)
{
	test_writer t(16);
	EXPECT_EQ(writer_flush(&t.w), 0);
	EXPECT_TRUE(fake_write::calls.empty());
}

TEST(Writer, RetriesInterruptedRefusedAndShortWrites)
{
	test_writer t(64);
	int room[2];
	ASSERT_EQ(pipe(room), 0);
	t.w.fd = room[1];  // where a refused write waits for room
	writer_puts(&t.w, "hello, world");
	fake_write::script = {{EINTR, 0}, {0, 5}, {EAGAIN, 0}, {0, 3}};
	EXPECT_EQ(writer_flush(&t.w), 0);
	EXPECT_EQ(fake_write::calls, (std::vector<uint64_t>{12, 12, 7, 7, 4}));
	EXPECT_EQ(fake_write::bytes, "hello, world");
	close(room[0]);
	close(room[1]);
}

TEST(Writer, FailedFlushDropsTheBufferAndKeepsErrno)
{
	test_writer t(64);
	writer_puts(&t.w, "lost");
	fake_write::script = {{EPIPE, 0}};
	errno = 0;
	EXPECT_EQ(writer_flush(&t.w), -1);
	EXPECT_EQ(errno, EPIPE);
	EXPECT_EQ(t.w.pos, 0u);
	EXPECT_EQ(writer_flush(&t.w), 0);
	EXPECT_EQ(fake_write::calls.size(), 1u);
}

TEST(Writer, ZeroByteProgressIsAFailureNotALoop)
{
	test_writer t(64);
	writer_puts(&t.w, "stuck");
	fake_write::script = {{0, 2}, {0, 0}};
	errno = 0;
	EXPECT_EQ(writer_flush(&t.w), -1);
	EXPECT_EQ(errno, EIO);
	EXPECT_EQ(fake_write::calls, (std::vector<uint64_t>{5, 3}));
}

// With no descriptor allowed, poll itself fails: the wait gives up at once
// and the write's own EAGAIN stands. In a child, with a deadline of its own.
static void flush_when_poll_fails()
{
	test_writer t(64);
	writer_puts(&t.w, "stuck");
	fake_write::script = {{EAGAIN, 0}};
	if (rlimit none{0, 0}; setrlimit(RLIMIT_NOFILE, &none)) _exit(2);
	alarm(5);
	_exit(writer_flush(&t.w) == -1 && errno == EAGAIN ? 0 : 1);
}

TEST(Writer, WaitThatCannotPollKeepsTheWritesError)
{
	EXPECT_EXIT(flush_when_poll_fails(), testing::ExitedWithCode(0), "");
}

// The adapter 32-bit targets write through: its failure must stay -1.
TEST(Writer, NarrowWriteFailsAsWriteDoes)
{
	errno = 0;
	EXPECT_EQ(write_narrow(-1, "x", 1), -1);
	EXPECT_EQ(errno, EBADF);
}

TEST(Writer, FailuresStopTheOperationAtOnce)
{
	struct { const char* name; uint64_t held; put_fn put; uint64_t len; std::vector<uint64_t> calls; } cases[] = {
		{"put: failed flush writes nothing new", 10, writer_put, 300, {10}},
		{"put: failed direct write stops", 0, writer_put, 20000, {8192}},
		{"putalign: failed flush stops", 0, writer_putalign, 600, {256}},
		{"putflush: failed flush skips new bytes", 10, writer_putflush, 5, {10}},
	};
	for (const auto& c : cases) {
		test_writer t(256);
		std::string held = pattern(c.held), more = pattern(c.len);
		writer_put(&t.w, held.data(), held.size());
		fake_write::script = {{ENOSPC, 0}};
		errno = 0;
		EXPECT_EQ(c.put(&t.w, more.data(), more.size()), -1) << c.name;
		EXPECT_EQ(errno, ENOSPC) << c.name;
		EXPECT_EQ(fake_write::calls, c.calls) << c.name;
		EXPECT_LE(t.w.pos, t.w.cap) << c.name;
	}
}

template <typename... A>
constexpr bool printable = requires(writer* w, A... a) { writer_print(w, a...); };
using null_t = decltype(nullptr);
static_assert(printable<const char*, null_t>);
static_assert(printable<char*, const char (&)[3], null_t>);
static_assert(!printable<const char*, int, null_t>, "a number is no string");
static_assert(!printable<void*, null_t>, "nor is an untyped pointer");
static_assert(!printable<const char*, const char*>, "the list must end with nullptr");
static_assert(!printable<null_t>, "and hold at least one string");

TEST(Writer, PrintBuffersItsPiecesInOrder)
{
	test_writer t(256);
	EXPECT_EQ(writer_print(&t.w, "a", "b", "\n", nullptr), 0);
	EXPECT_EQ(t.held(), "ab\n");
	EXPECT_TRUE(fake_write::calls.empty());
}

TEST(Writer, PrintStopsAtTheFirstFailure)
{
	test_writer t(4);
	fake_write::script = {{EBADF, 0}};
	std::string big = pattern(10);
	EXPECT_EQ(writer_print(&t.w, "ab", big.c_str(), "never", nullptr), -1);
	EXPECT_EQ(fake_write::calls, (std::vector<uint64_t>{2}));
	EXPECT_EQ(t.held(), "");
}

TEST(Writer, EscapedTextHoldsNoControlByte)
{
	const struct { std::string in; bool backslash; const char* out; } cases[] = {
		{"a\tb", true, "a\\011b"}, {"\n", true, "\\012"}, {std::string("\0", 1), true, "\\000"}, {"x\x7f", true, "x\\177"},
		{"\\040", true, "\\134040"}, {"\\040", false, "\\040"}, {" \x80\xff~", true, " \x80\xff~"}, {"", true, ""},
		{"abcdefgh\\ijklmno\x7fpqrstuv\twxyz\xa0", true, "abcdefgh\\134ijklmno\\177pqrstuv\\011wxyz\xa0"},
	};
	for (auto& c : cases) {
		test_writer t(256);
		EXPECT_EQ(writer_escaped(&t.w, c.in.data(), c.in.size(), c.backslash), 0);
		EXPECT_EQ(t.held(), c.out) << c.in;
	}
}
