#include <errno.h>
#include "cgroup.hpp"
#include "resreport.hpp"
#include "writer.hpp"

namespace {

struct cgroup_file {
	const char* controller;  // null in the unified hierarchy
	const char* name;
};

// One text per controller, so that the files of a group are told by the pointer.
constexpr char memory[] = "memory", pids[] = "pids", cpu[] = "cpu", cpuset[] = "cpuset";
constexpr cgroup_file unified_files[] = {
	{nullptr, "memory.max"}, {nullptr, "memory.high"}, {nullptr, "memory.low"}, {nullptr, "memory.swap.max"},
	{nullptr, "pids.max"}, {nullptr, "cpu.max"}, {nullptr, "cpu.weight"}, {nullptr, "cpuset.cpus.effective"},
};
constexpr cgroup_file v1_files[] = {
	{memory, "memory.limit_in_bytes"}, {memory, "memory.soft_limit_in_bytes"}, {memory, "memory.memsw.limit_in_bytes"},
	{pids, "pids.max"}, {cpu, "cpu.cfs_quota_us"}, {cpu, "cpu.cfs_period_us"}, {cpu, "cpu.shares"},
	{cpuset, "cpuset.effective_cpus"},
};
static_assert(sizeof unified_files == sizeof v1_files);

void print_file(const cgroup_group& g, const char* name, char* value, uint64_t cap)
{
	int64_t n = cgroup_read(g, name, value, cap);
	if (n < 0) return void(writer_print(writer_out, name, ":\t", errno == ENOENT ? "-" : "[query failed]", "\n", nullptr));
	if (n > 0 && value[n - 1] == '\n') --n;
	writer_field_escaped(writer_out, name, value, uint64_t(n));
}

} // namespace

void print_cgroup(char* value, uint64_t cap)
{
	bool loaded = cgroup_load();
	cgroup_print(writer_out, loaded);
	if (!loaded) return;
	// each controller's group found once, for the files that follow
	const cgroup_file* f = cgroup_unified() ? unified_files : v1_files;
	cgroup_group g = cgroup_find(f->controller);
	for (const cgroup_file* end = f + sizeof v1_files / sizeof *v1_files; f < end; ++f) {
		if (f->controller != g.controller) g = cgroup_find(f->controller);
		print_file(g, f->name, value, cap);
	}
}
