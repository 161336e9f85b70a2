#pragma once
#include <unistd.h>
#include "writer.hpp"

// Where the C library's sizes are 32-bit: caps the count, widens the result.
int64_t write_narrow(int32_t fd, const void* data, uint64_t len);

// The C library's write itself where it has the write operation's shape,
// the adapter elsewhere; chosen at compile time, so the writers stay
// constant data.
constexpr write_op system_write_for(write_op same_shape) { return same_shape; }
template <typename F>
constexpr write_op system_write_for(F*) { return write_narrow; }

inline constexpr write_op system_write = system_write_for(write);
