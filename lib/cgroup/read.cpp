#include <errno.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include "bytes.hpp"
#include "cgroup.hpp"
#include "file.hpp"

namespace {

struct path_builder {
	char* start;
	char* at;
	char* end;
	bool fits = true;
	path_builder(char* buf, uint64_t cap) : start(buf), at(buf), end(buf + (cap < 4096 ? cap : 4096)) {}
	path_builder& add(const char* s, uint64_t n)
	{
		fits = fits && n <= uint64_t(end - at);
		if (fits) at = bytes_copy(at, s, n) + n;
		return *this;
	}
	path_builder& add(const char* s) { return add(s, cstr_length(s)); }
	const char* done() { return add("", 1).fits ? start : nullptr; }
	// the controller's own place
	path_builder& place(const char* controller)
	{
		add("/sys/fs/cgroup");
		return controller ? add("/").add(controller) : *this;
	}
};

// The file in the folder: by its whole path where that fits a path the
// kernel takes, or else relative to the controller's place opened on its
// own, as a group path of 4060 bytes needs. path starts with "/" and is
// never "/" alone.
int64_t read_in(const char* controller, const char* path, uint64_t len, const char* name, char* buf, uint64_t cap)
{
	if (const char* full = path_builder(buf, cap).place(controller).add(path, len).add("/").add(name).done())
		return file_read(AT_FDCWD, full, buf, cap);
	long dir = syscall(SYS_openat, AT_FDCWD, path_builder(buf, cap).place(controller).done(), O_PATH | O_DIRECTORY | O_CLOEXEC);
	if (dir < 0) return -1;
	const char* rel = path_builder(buf, cap).add(path + 1, len - 1).add("/").add(name).done();
	int64_t n = rel ? file_read(int32_t(dir), rel, buf, cap) : (errno = ENAMETOOLONG, -1);
	int error = errno;
	syscall(SYS_close, dir);
	errno = error;
	return n;
}

} // namespace

int64_t cgroup_read(const cgroup_group& g, const char* name, char* buf, uint64_t cap)
{
	if (g.unknown) return errno = EIO, -1;
	int64_t n = -1;
	errno = ENOENT;
	// a group at the root is the controller's own place: read once
	if (g.path && g.len > 1) n = read_in(g.controller, g.path, g.len, name, buf, cap);
	if (n < 0 && errno == ENOENT) {
		const char* own = path_builder(buf, cap).place(g.controller).add("/").add(name).done();
		n = own ? file_read(AT_FDCWD, own, buf, cap) : (errno = ENAMETOOLONG, -1);
	}
	if (n >= 0 && uint64_t(n) == cap) return errno = EFBIG, -1;
	return n;
}
