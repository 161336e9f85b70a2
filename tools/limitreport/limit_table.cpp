#include <sys/resource.h>
#include "bytes.hpp"
#include "limit_table.hpp"

// RLIMIT_VMEM is the old name of the address-space limit; it shares its
// number, and its description is the one the report finds first.
constexpr limit_entry limit_table[12] = {
	{RLIMIT_CPU, "RLIMIT_CPU", "maximum cpu time per process (seconds)"},
	{RLIMIT_FSIZE, "RLIMIT_FSIZE", "maximum file size that may be created (bytes)"},
	{RLIMIT_DATA, "RLIMIT_DATA", "maximum data segment per process (bytes)"},
	{RLIMIT_STACK, "RLIMIT_STACK", "maximum size of stack segment per process (bytes)"},
	{RLIMIT_CORE, "RLIMIT_CORE", "maximum size core file (bytes)"},
	{RLIMIT_RSS, "RLIMIT_RSS", "maximum resident set size (bytes)"},
	{RLIMIT_NPROC, "RLIMIT_NPROC", "maximum number of child processes per user id (processes)"},
	{RLIMIT_NOFILE, "RLIMIT_NOFILE", "maximum number of open files per process (files)"},
	{RLIMIT_MEMLOCK, "RLIMIT_MEMLOCK", "maximum memory a process may mlock() (bytes)"},
	{RLIMIT_AS, "RLIMIT_VMEM", "maximum total available memory (bytes)"},
	{RLIMIT_AS, "RLIMIT_AS", "maximum total available memory (bytes)"},
	{RLIMIT_LOCKS, "RLIMIT_LOCKS", "maximum number of file locks that may be held (locks)"},
};

// The numbers are the platform's own: MIPS moves five of them.
static_assert(RLIMIT_CPU == 0 && RLIMIT_FSIZE == 1 && RLIMIT_DATA == 2 && RLIMIT_STACK == 3 &&
	RLIMIT_CORE == 4 && RLIMIT_LOCKS == 10);
#if defined(__mips__)
static_assert(RLIMIT_NOFILE == 5 && RLIMIT_AS == 6 && RLIMIT_RSS == 7 && RLIMIT_NPROC == 8 &&
	RLIMIT_MEMLOCK == 9);
#else
static_assert(RLIMIT_RSS == 5 && RLIMIT_NPROC == 6 && RLIMIT_NOFILE == 7 && RLIMIT_MEMLOCK == 8 &&
	RLIMIT_AS == 9);
#endif

constexpr const char* limit_names[13] = {
	"RLIMIT_AS",
	"RLIMIT_CORE",
	"RLIMIT_CPU",
	"RLIMIT_DATA",
	"RLIMIT_FSIZE",
	"RLIMIT_LOCKS",
	"RLIMIT_MEMLOCK",
	"RLIMIT_NOFILE",
	"RLIMIT_NPROC",
	"RLIMIT_RSS",
	"RLIMIT_SBSIZE",
	"RLIMIT_STACK",
	nullptr,
};

int32_t limit_id_by_name(const char* name)
{
	for (const limit_entry& e : limit_table)
		if (!cstr_compare(e.name, name)) return e.id;
	return -1;
}

static const limit_entry* entry_by_id(int32_t id)
{
	for (const limit_entry& e : limit_table)
		if (e.id == id) return &e;
	return nullptr;
}

const char* limit_description_by_id(int32_t id)
{
	const limit_entry* e = entry_by_id(id);
	return e ? e->description : nullptr;
}

const char* limit_name_by_id(int32_t id)
{
	const limit_entry* e = entry_by_id(id);
	return e ? e->name : nullptr;
}
