#include <errno.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include "file.hpp"

// The system calls themselves: the C library's wrappers carry thread
// cancellation, which no probe uses, at half a KiB on ppc64el and
// mips64el. No read once the buffer is full, and the descriptor closed on
// every path. Each argument goes as a long, as the variadic call takes
// them: a 64-bit count would land in the wrong registers on 32-bit ARM.
// Non-blocking, so that a FIFO planted where a kernel file should be
// cannot hold the probe; kernel and regular files ignore the flag.
int64_t file_read(int32_t dir, const char* path, char* buf, uint64_t cap)
{
	long fd = syscall(SYS_openat, dir, path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_LARGEFILE);
	if (fd < 0) return -1;
	uint64_t held = 0;
	while (held < cap) {
		long n = syscall(SYS_read, fd, buf + held, long(cap - held));
		if (n > 0) held += uint64_t(n);
		else if (n == 0) break;
		else if (errno != EINTR) {
			int error = errno;
			syscall(SYS_close, fd);
			errno = error;
			return -1;
		}
	}
	syscall(SYS_close, fd);
	return int64_t(held);
}
