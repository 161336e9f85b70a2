#pragma once
#include <errno.h>
#include <stdint.h>
#include <deque>
#include <string>
#include <vector>
#include "writer.hpp"

// A write operation that records every call and follows a script: each
// scripted step either fails with an errno, returns 0, or accepts at most
// some bytes; with no step left it accepts everything.
struct fake_write {
	struct step {
		int err;
		int64_t limit;
	};
	static inline std::vector<uint64_t> calls;
	static inline std::string bytes;
	static inline std::deque<step> script;

	static void reset()
	{
		calls.clear();
		bytes.clear();
		script.clear();
	}
	static int64_t op(int32_t, const void* data, uint64_t len)
	{
		calls.push_back(len);
		uint64_t n = len;
		if (!script.empty()) {
			step s = script.front();
			script.pop_front();
			if (s.err) {
				errno = s.err;
				return -1;
			}
			if (uint64_t(s.limit) < n) n = uint64_t(s.limit);
		}
		bytes.append(static_cast<const char*>(data), n);
		return int64_t(n);
	}
};

// A writer of the given capacity over its own storage.
struct test_writer {
	std::vector<char> storage;
	writer w;
	explicit test_writer(uint64_t cap)
		: storage(cap), w{7, storage.data(), cap, 0, fake_write::op}
	{
		fake_write::reset();
	}
	std::string held() const { return std::string(w.buf, w.pos); }
};
