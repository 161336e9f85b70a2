#include <errno.h>
#include <fcntl.h>
#include <unistd.h>
#include "file.hpp"

// No read once the buffer is full, and the descriptor closed on every path.
int64_t file_read(int32_t dir, const char* path, char* buf, uint64_t cap)
{
	int fd = openat(dir, path, O_RDONLY | O_CLOEXEC);
	if (fd < 0) return -1;
	uint64_t held = 0;
	while (held < cap) {
		ssize_t n = read(fd, buf + held, cap - held);
		if (n > 0) held += uint64_t(n);
		else if (n == 0) break;
		else if (errno != EINTR) {
			int error = errno;
			close(fd);
			errno = error;
			return -1;
		}
	}
	close(fd);
	return int64_t(held);
}
