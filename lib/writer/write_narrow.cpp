#include <limits.h>
#include "system_write.hpp"

int64_t write_narrow(int32_t fd, const void* data, uint64_t len)
{
	// write_all sends whatever is left of a larger request
	return write(fd, data, len > uint64_t(SSIZE_MAX) ? size_t(SSIZE_MAX) : size_t(len));
}
