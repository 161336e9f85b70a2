#include <netinet/in.h>
#include <stddef.h>
#include <sys/socket.h>
#include <sys/un.h>
#include "format.hpp"
#include "pieces.hpp"

// A common symbol, placed after the other zeroed data, as the listing's
// buffers are.
[[gnu::common]] sockaddr_storage socket_address;

static constexpr named families[] = {
	{AF_UNIX, "unix"},
	{AF_INET, "inet"},
	{AF_INET6, "inet6"},
	{AF_NETLINK, "netlink"},
	{AF_PACKET, "packet"},
	{AF_VSOCK, "vsock"},
};

static constexpr named socket_types[] = {
	{SOCK_STREAM, "stream"},
	{SOCK_DGRAM, "dgram"},
	{SOCK_SEQPACKET, "seqpacket"},
	{SOCK_RAW, "raw"},
	{SOCK_RDM, "rdm"},
};

static void put_ipv4(const uint8_t* a)
{
	for (int i = 0; i < 4; ++i) {
		if (i) put(".");
		put_decimal(a[i]);
	}
}

// Lower-case groups without leading zeros, the longest run of two or more
// zero groups (the first of equal ones) as "::"; an IPv4-mapped address
// ends in its dotted quad.
static void put_ipv6(const uint8_t* a)
{
	static constexpr uint8_t mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
	uint32_t i = 0;
	while (i < 12 && a[i] == mapped[i]) ++i;
	if (i == 12) {
		put("::ffff:");
		return put_ipv4(a + 12);
	}
	uint32_t g[8];
	for (i = 0; i < 8; ++i) g[i] = uint32_t(a[2 * i]) << 8 | a[2 * i + 1];
	int run = -1, run_len = 1;
	for (int i = 0, j; i < 8; i = j + 1) {
		for (j = i; j < 8 && !g[j]; ++j) {}
		if (j - i > run_len) run = i, run_len = j - i;
	}
	char text[40], *p = text;
	for (int i = 0; i < 8; ++i) {
		if (i == run) {
			*p++ = ':';
			*p++ = ':';
			i += run_len - 1;
			continue;
		}
		if (i && i != run + run_len) *p++ = ':';
		p += format_hex(p, g[i]);
	}
	put_bytes(text, uint64_t(p - text));
}

static void put_port(uint16_t network_order)
{
	put(":");
	put_decimal(ntohs(network_order));
}

// Only what getsockname returned is read.
static void put_address(int family, uint64_t len)
{
	auto* in = reinterpret_cast<const sockaddr_in*>(&socket_address);
	auto* in6 = reinterpret_cast<const sockaddr_in6*>(&socket_address);
	const char* path = reinterpret_cast<const sockaddr_un*>(&socket_address)->sun_path;
	const uint64_t path_at = offsetof(sockaddr_un, sun_path);
	if (family == AF_INET && len >= sizeof(sockaddr_in)) {
		put(" ");
		put_ipv4(reinterpret_cast<const uint8_t*>(&in->sin_addr));
		put_port(in->sin_port);
	} else if (family == AF_INET6 && len >= sizeof(sockaddr_in6)) {
		put(" [");
		put_ipv6(reinterpret_cast<const uint8_t*>(&in6->sin6_addr));
		if (in6->sin6_scope_id) {
			put("%");
			put_decimal(in6->sin6_scope_id);
		}
		put("]");
		put_port(in6->sin6_port);
	} else if (family == AF_UNIX && len > path_at && *path) {
		uint64_t end = 0;
		while (end < len - path_at && path[end]) ++end;
		put(" ");
		put_escaped(path, end);
	} else if (family == AF_UNIX && len > path_at) {
		put(" @");
		put_escaped(path + 1, len - path_at - 1);
	}
}

static int socket_option(int fd, int option)
{
	int value = 0;
	socklen_t len = sizeof value;
	return getsockopt(fd, SOL_SOCKET, option, &value, &len) ? -1 : value;
}

void put_socket(int fd)
{
	int family = socket_option(fd, SO_DOMAIN);
	if (family < 0) return put("?");
	put_named(families, family, "af");
	put(" ");
	int type = socket_option(fd, SO_TYPE);
	if (type < 0) put("?");
	else put_named(socket_types, type, "type");
	if (socket_option(fd, SO_ACCEPTCONN) == 1) put(" listening");
	socklen_t len = sizeof socket_address;
	// a refused query is no address: it must not read as a socket without one
	if (getsockname(fd, reinterpret_cast<sockaddr*>(&socket_address), &len)) return put(" ?");
	put_address(family, len < sizeof socket_address ? len : sizeof socket_address);
}
