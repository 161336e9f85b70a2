#include <errno.h>
#include "writer.hpp"

int32_t write_all(int32_t fd, const char* data, uint64_t len, write_op op)
{
	while (len) {
		int64_t n = op(fd, data, len);
		if (n < 0) {
			if (errno == EINTR) continue;
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
