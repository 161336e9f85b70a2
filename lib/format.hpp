#pragma once
#include <stdint.h>

// Digits only, no terminator; a null buffer asks for the length alone.
template <uint32_t base, typename T>
inline uint64_t format_digits(char* buf, T v)
{
	static_assert(base >= 2 && base <= 16);
	uint64_t n = 1;
	for (T q = v; q >= base; q /= base) ++n;
	if (!buf) return n;
	for (char* p = buf + n;; v /= base) {
		if constexpr (base <= 10) *--p = char('0' + v % base);
		else *--p = "0123456789abcdef"[v % base];
		if (v < base) break;
	}
	return n;
}
uint64_t format_decimal(char* buf, uint64_t v);
uint64_t format_octal(char* buf, uint32_t v);
uint64_t format_hex(char* buf, uint64_t v);

// NUL-terminated forms that hand back buf, for writer_print lists. The
// padded forms put zeros in front up to width and never cut digits.
char* decimal_text(char* buf, uint64_t v);
char* octal_text(char* buf, uint32_t v);
char* octal_text_padded(char* buf, uint32_t v, uint64_t width);
char* hex_text_padded(char* buf, uint64_t v, uint64_t width);

inline constexpr uint64_t decimal_text_max = 21;

// The padded forms' one way: zeros up to width, then format's digits.
template <typename T>
inline char* padded_text(char* buf, T v, uint64_t width, uint64_t (*format)(char*, T))
{
	uint64_t n = format(nullptr, v);
	uint64_t zeros = n < width ? width - n : 0;
	for (uint64_t i = 0; i < zeros; ++i) buf[i] = '0';
	format(buf + zeros, v);
	buf[zeros + n] = 0;
	return buf;
}
// Sixteen digits, the most a 64-bit value has, and the terminator.
inline constexpr uint64_t hex_text_max = 17;
