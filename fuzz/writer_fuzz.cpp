// Any sequence of writer operations on a writer of any capacity, through a
// write operation that may write short, be interrupted, fail or make no
// progress. What arrives must be exactly what was put, in order, except
// what a reported failure dropped.
#include <errno.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <string>
#include <vector>
#include "writer.hpp"

namespace {

FuzzedDataProvider* input;
writer* w;
bool aligning;
std::string put_since, arrived_since;
int failed_with;

int64_t fuzz_op(int32_t, const void* data, uint64_t len)
{
	const uint64_t chunk_max = w->cap > writer_chunk_min ? w->cap : writer_chunk_min;
	if (len == 0 || len > chunk_max) abort();
	if (aligning && data == w->buf && len != w->cap) abort();
	uint64_t n = len;
	switch (input->remaining_bytes() ? input->ConsumeIntegral<uint8_t>() % 8 : 0) {
	case 1:
		errno = EINTR;
		return -1;
	case 2:
		n = 1 + input->ConsumeIntegral<uint16_t>() % len;
		break;
	case 3:
		failed_with = errno = input->ConsumeBool() ? ENOSPC : EPIPE;
		return -1;
	case 4:
		failed_with = EIO;
		return 0;
	}
	arrived_since.append(static_cast<const char*>(data), n);
	return int64_t(n);
}

void check(int32_t status, bool flushed)
{
	if (w->pos > w->cap) abort();
	if (status == 0) {
		if (arrived_since + std::string(w->buf, w->pos) != put_since) abort();
		if (flushed && w->pos) abort();
		return;
	}
	if (status != -1 || w->pos != 0 || errno != failed_with) abort();
	if (put_since.compare(0, arrived_since.size(), arrived_since)) abort();
	put_since.clear();
	arrived_since.clear();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	FuzzedDataProvider in(data, size);
	input = &in;
	uint64_t cap = in.ConsumeIntegralInRange<uint64_t>(1, 20000);
	std::vector<char> storage(cap);
	writer record{1, storage.data(), cap, 0, fuzz_op};
	w = &record;
	put_since.clear();
	arrived_since.clear();

	while (in.remaining_bytes()) {
		int what = in.ConsumeIntegralInRange(0, 7);
		std::string text = in.ConsumeRandomLengthString(40000);
		std::string cstr = text.c_str();
		std::vector<char> exact(text.begin(), text.end());
		exact.push_back(0);
		aligning = what == 2 || what == 3;
		switch (what) {
		case 0: put_since += text; check(writer_put(w, exact.data(), text.size()), false); break;
		case 1: put_since += cstr; check(writer_puts(w, exact.data()), false); break;
		case 2: put_since += text; check(writer_putalign(w, exact.data(), text.size()), false); break;
		case 3: put_since += cstr; check(writer_putsalign(w, exact.data()), false); break;
		case 4: put_since += text; check(writer_putflush(w, exact.data(), text.size()), true); break;
		case 5: put_since += cstr; check(writer_putsflush(w, exact.data()), true); break;
		case 6: {
			const char* list[] = {exact.data(), "\t", exact.data(), "\n", nullptr};
			put_since += cstr + "\t" + cstr + "\n";
			check(writer_printv(w, list), false);
			break;
		}
		default: check(writer_flush(w), true); break;
		}
	}
	return 0;
}
