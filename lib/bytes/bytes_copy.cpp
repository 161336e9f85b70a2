#include "bytes.hpp"

namespace {

// A piece of N bytes moved as one load and one store where the machine
// allows it unaligned, never reading or writing past the n bytes.
template <uint64_t N>
inline void piece(char* dst, const char* src)
{
	char v[N];
	__builtin_memcpy(v, src, N);
	__builtin_memcpy(dst, v, N);
}

// Pieces of N from the start, then the last N again, overlapping the one
// before: n must be at least N.
template <uint64_t N>
inline void pieces(char* dst, const char* src, uint64_t n)
{
	for (uint64_t i = 0; i + N < n; i += N) piece<N>(dst + i, src + i);
	piece<N>(dst + n - N, src + n - N);
}

} // namespace

char* bytes_copy_run(char* dst, const char* src, uint64_t n)
{
	constexpr uint64_t word = sizeof(unsigned long);
	if (n >= word) pieces<word>(dst, src, n);
	else if (n >= 4) pieces<4>(dst, src, n);
	else if (n >= 2) pieces<2>(dst, src, n);
	else if (n) *dst = *src;
	return dst;
}
