#include "cgroup.hpp"

bool cgroup_unified()
{
	const char* t = cgroup.text;
	if (cgroup.count != 1 || cgroup.lost || cgroup.lines[0].end + 1 < cgroup.len) return false;
	return cgroup.lines[0].path == 3 && t[0] == '0' && t[1] == ':' && t[2] == ':';
}
