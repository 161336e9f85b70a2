#include <errno.h>
#include <poll.h>
#include "writer.hpp"

// A descriptor made non-blocking by another process sharing it refuses
// what it cannot take yet; wait for room rather than drop the rest.
static bool wait_writable(int32_t fd)
{
	const int again = errno;
	pollfd p{fd, POLLOUT, 0};
	while (poll(&p, 1, -1) < 0)
		if (errno != EINTR) {
			errno = again;
			return false;
		}
	return true;
}

int32_t write_all(int32_t fd, const char* data, uint64_t len, write_op op)
{
	while (len) {
		int64_t n = op(fd, data, len);
		if (n < 0) {
			if (errno == EINTR) continue;
			if ((errno == EAGAIN || errno == EWOULDBLOCK) && wait_writable(fd)) continue;
			return -1;
		}
		// no progress would mean calling again forever
		if (n == 0) {
			errno = EIO;
			return -1;
		}
		data += n;
		len -= uint64_t(n);
	}
	return 0;
}
