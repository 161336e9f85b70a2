#pragma once
#include <stdint.h>
#include "bytes.hpp"

using write_op = int64_t (*)(int32_t fd, const void* data, uint64_t len);

struct writer {
	int32_t fd;
	char* buf;
	uint64_t cap;
	uint64_t pos;
	write_op op;
};

// Never null; each record with its buffer is a unit of its own, so a
// program carries only the writers it names.
extern writer* const writer_out;
extern writer* const writer_err;

// Direct writes never exceed the larger of the capacity and this.
inline constexpr uint64_t writer_chunk_min = 8192;

int32_t write_all(int32_t fd, const char* data, uint64_t len, write_op op);
int32_t writer_flush(writer* w);
// What does not fit the free space: flushes, then writes through or buffers.
int32_t writer_put_spill(writer* w, const char* data, uint64_t len);

// Most pieces fit the free space: copied in place, with no call but the copy.
inline int32_t writer_put(writer* w, const char* data, uint64_t len)
{
	if (len > w->cap - w->pos) return writer_put_spill(w, data, len);
	bytes_copy(w->buf + w->pos, data, len);
	w->pos += len;
	return 0;
}

// A string whose length is known only at run time, copied while it is
// measured: one pass over its bytes where it fits.
int32_t writer_puts_run(writer* w, const char* s);

inline int32_t writer_puts(writer* w, const char* s)
{
	if (__builtin_constant_p(__builtin_strlen(s))) return writer_put(w, s, __builtin_strlen(s));
	return writer_puts_run(w, s);
}

int32_t writer_putalign(writer* w, const char* data, uint64_t len);
int32_t writer_putsalign(writer* w, const char* s);
int32_t writer_putflush(writer* w, const char* data, uint64_t len);
int32_t writer_putsflush(writer* w, const char* s);

// The strings of a list ended by a null pointer, in order.
int32_t writer_printv(writer* w, const char* const* list);

namespace print_detail {
template <typename T, typename U> inline constexpr bool same = false;
template <typename T> inline constexpr bool same<T, T> = true;

inline void takes_string(const char*) {}
template <typename T>
concept string = requires(T s) { takes_string(s); } && !same<T, decltype(nullptr)>;

template <typename... T> struct last;
template <typename T> struct last<T> { using type = T; };
template <typename T, typename... R> struct last<T, R...> : last<R...> {};

// At least one string, every piece a string but the last, which is nullptr.
template <typename... S>
concept list = sizeof...(S) >= 2 && same<typename last<S...>::type, decltype(nullptr)> &&
	(0 + ... + int(string<S>)) == int(sizeof...(S)) - 1;
}

// writer_print(w, "name", ":\t", value, "\n", nullptr): strings only, ended
// by a literal null pointer, so a forgotten end or a stray number fails to
// compile instead of running off the list.
template <typename... S>
	requires print_detail::list<S...>
inline int32_t writer_print(writer* w, S... list)
{
	const char* const strings[] = {list...};
	return writer_printv(w, strings);
}

// The n bytes at s with each byte below 0x20 and 0x7f written as a
// backslash and three octal digits ("\011" for a tab, "\012" for a
// newline), and the backslash itself as "\134" when backslash is true, as
// /proc/self/mountinfo writes names: so that a name someone else chose
// can neither start a forged line nor shift a field. False only for text
// the kernel has escaped that way already, where a backslash always
// begins an escape.
int32_t writer_escaped(writer* w, const char* s, uint64_t n, bool backslash);

// "label:\t", the value escaped with its backslashes, "\n".
int32_t writer_field_escaped(writer* w, const char* label, const char* value, uint64_t len);
