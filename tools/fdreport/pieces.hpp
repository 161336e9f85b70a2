#pragma once
#include <stdint.h>
#include <sys/socket.h>

// What the line's parts share: the output in pieces, and tables from
// values to names.
struct named {
	int value;
	const char* name;
};

void put(const char* s);
void put_bytes(const char* s, uint64_t n);
void put_escaped(const char* s, uint64_t n);
void put_decimal(uint64_t v);
const char* name_of(const named* table, uint64_t count, int value);

template <uint64_t N>
inline const char* name_of(const named (&table)[N], int value)
{
	return name_of(table, N, value);
}

// The table's name, or the prefix and the number.
template <uint64_t N>
inline void put_named(const named (&table)[N], int value, const char* prefix)
{
	const char* name = name_of(table, value);
	put(name ? name : prefix);
	if (!name) put_decimal(uint32_t(value));
}

// The socket's family, type, whether it listens, and its local address.
void put_socket(int fd);
