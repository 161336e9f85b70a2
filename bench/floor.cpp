// The least program that makes a probe's system calls: built once per probe
// with FLOOR_<probe> and FLOOR_WRITES, the sizes of that probe's writes for
// the benchmark's inputs (none larger than its buffer), and with neither as
// the empty floor, which only starts and exits.
#include <stdint.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef FLOOR_WRITES
static constexpr uint32_t writes[] = {FLOOR_WRITES};

// The static buffers of the probe's writers: the loader maps them at exec,
// which costs time as well.
#if defined(FLOOR_idreport)
static char bytes[256];
#elif defined(FLOOR_argreport)
static char bytes[8192];
#else
static char bytes[8192 + 256];
#endif

static void put(int fd, uint32_t n)
{
	if (n) write(fd, bytes, n);
}
#endif

int main()
{
#if defined(FLOOR_idreport)
	static_assert(sizeof writes / sizeof writes[0] == 9);
	getuid();
	put(2, writes[0]);
	geteuid();
	put(2, writes[1]);
	getgid();
	put(2, writes[2]);
	getegid();
	put(2, writes[3]);
	getpid();
	put(2, writes[4]);
	getppid();
	put(2, writes[5]);
	getpgrp();
	put(2, writes[6]);
	getsid(0);
	put(2, writes[7]);
	umask(0);
	put(2, writes[8]);
#elif defined(FLOOR_limitreport)
	static constexpr int limits[] = {RLIMIT_AS, RLIMIT_CORE, RLIMIT_CPU, RLIMIT_DATA, RLIMIT_FSIZE, RLIMIT_LOCKS,
		RLIMIT_MEMLOCK, RLIMIT_NOFILE, RLIMIT_NPROC, RLIMIT_RSS, RLIMIT_STACK};
	rlimit r;
	for (int id : limits) getrlimit(id, &r);
	put(1, writes[0]);
#elif defined(FLOOR_envreport) || defined(FLOOR_argreport)
	put(1, writes[0]);
#endif
	return 0;
}
