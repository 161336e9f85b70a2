#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <set>
#include <sstream>
#include "ocicheck.hpp"

namespace {

// By number, as the kernel numbers them.
const std::vector<std::string> capability_names = {"chown", "dac_override", "dac_read_search", "fowner", "fsetid", "kill",
	"setgid", "setuid", "setpcap", "linux_immutable", "net_bind_service", "net_broadcast", "net_admin", "net_raw",
	"ipc_lock", "ipc_owner", "sys_module", "sys_rawio", "sys_chroot", "sys_ptrace", "sys_pacct", "sys_admin", "sys_boot",
	"sys_nice", "sys_resource", "sys_time", "sys_tty_config", "mknod", "lease", "audit_write", "audit_control", "setfcap",
	"mac_override", "mac_admin", "syslog", "wake_alarm", "block_suspend", "audit_read", "perfmon", "bpf",
	"checkpoint_restore"};
// The configuration's kinds of namespace, and the kernel's names for them.
const std::map<std::string, std::string> namespace_kinds = {{"cgroup", "cgroup"}, {"ipc", "ipc"}, {"mount", "mnt"},
	{"network", "net"}, {"pid", "pid"}, {"time", "time"}, {"user", "user"}, {"uts", "uts"}};
const char* const capability_sets[][2] = {{"bounding", "CapBnd"}, {"effective", "CapEff"}, {"inheritable", "CapInh"},
	{"permitted", "CapPrm"}, {"ambient", "CapAmb"}};

// Every field the checks read; leaves are true. What the configuration
// holds beyond these is listed as not checked.
const json known = json::parse(R"({
	"ociVersion": true, "hostname": true, "domainname": true, "mounts": true,
	"root": {"path": true, "readonly": true},
	"process": {"terminal": true, "consoleSize": true, "args": true, "env": true, "cwd": true, "rlimits": true,
		"noNewPrivileges": true, "apparmorProfile": true, "selinuxLabel": true, "oomScoreAdj": true,
		"scheduler": true, "ioPriority": true, "execCPUAffinity": true,
		"user": {"uid": true, "gid": true, "umask": true, "additionalGids": true},
		"capabilities": {"bounding": true, "effective": true, "inheritable": true, "permitted": true, "ambient": true}},
	"linux": {"namespaces": true, "uidMappings": true, "gidMappings": true, "timeOffsets": true, "sysctl": true,
		"personality": true, "seccomp": true, "cgroupsPath": true, "devices": true, "rootfsPropagation": true,
		"maskedPaths": true, "readonlyPaths": true,
		"resources": {"memory": {"limit": true, "reservation": true, "swap": true},
			"cpu": {"quota": true, "period": true, "shares": true, "cpus": true}, "pids": {"limit": true}}}
})");

const json* at(const json& j, std::initializer_list<const char*> path)
{
	const json* p = &j;
	for (const char* key : path) {
		if (!p->is_object() || !p->contains(key)) return nullptr;
		p = &(*p)[key];
	}
	return p;
}

std::vector<std::string> words(const std::string& s, char at)
{
	std::vector<std::string> out;
	std::istringstream in(s);
	for (std::string w; std::getline(in, w, at);)
		if (!w.empty()) out.push_back(w);
	return out;
}

std::string lower(std::string s)
{
	std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
	return s;
}

// "CAP_NET_RAW" and "cap_net_raw" alike as "net_raw".
std::string capability(const std::string& name)
{
	std::string n = lower(name);
	return n.rfind("cap_", 0) == 0 ? n.substr(4) : n;
}

// A CPU list ("0-3,8") as its CPUs.
std::set<uint64_t> cpus(const std::string& list)
{
	std::set<uint64_t> set;
	for (const std::string& run : words(list, ',')) {
		size_t dash = run.find('-');
		uint64_t first = std::stoull(run), last = dash == run.npos ? first : std::stoull(run.substr(dash + 1));
		for (uint64_t c = first; c <= last && c - first < 65536; ++c) set.insert(c);
	}
	return set;
}

// Runs of white space as one space.
std::string squeezed(std::string s)
{
	std::replace_if(s.begin(), s.end(), [](char c) { return c == '\t' || c == '\n'; }, ' ');
	std::string out;
	for (const std::string& w : words(s, ' ')) out += (out.empty() ? "" : " ") + w;
	return out;
}

std::string joined(const std::vector<std::string>& v, const char* between = " ")
{
	std::string out;
	for (const std::string& s : v) out += (out.empty() ? "" : between) + s;
	return out;
}

struct checker {
	const json& config;
	const reports& r;
	const context& c;
	std::vector<point> points{};

	const report& of(const std::string& probe) const
	{
		static const report none;
		auto it = r.find(probe);
		return it == r.end() ? none : it->second;
	}
	std::string line(const std::string& probe, const std::string& label) const
	{
		std::string l = of(probe).line_of(label);
		return l.empty() ? probe + ": no " + label + " line" : probe + ": " + l;
	}
	std::string value(const std::string& probe, const std::string& label) const
	{
		return of(probe).first(label).value_or("(none)");
	}
	void add(const std::string& field, bool ok, const json& asked, const std::string& got, const std::string& probe)
	{
		points.push_back({field, ok ? "ok" : "fail", asked, got, probe, ""});
	}
	void skip(const std::string& field, const std::string& reason) { points.push_back({field, "skip", nullptr, "", "", reason}); }
	// A probe's lines of one label that have so many tab-separated fields,
	// the last of each by its first field, with the line as printed.
	std::map<std::string, std::pair<std::vector<std::string>, std::string>> by_first(const std::string& probe,
		const std::string& label, size_t fields) const
	{
		std::map<std::string, std::pair<std::vector<std::string>, std::string>> found;
		const report& rep = of(probe);
		for (size_t i = 0; i < rep.lines.size(); ++i)
			if (rep.lines[i].first == label)
				if (auto f = words(rep.lines[i].second, '\t'); f.size() == fields) found[f[0]] = {f, probe + ": " + rep.printed[i]};
		return found;
	}
	// one line's value against the text wanted
	void equal(const std::string& field, const json& asked, const std::string& want, const std::string& probe, const std::string& label)
	{
		add(field, value(probe, label) == want, asked, value(probe, label), line(probe, label));
	}

	void user();
	void process();
	void capabilities(const json& caps);
	void names_and_root();
	void mounts();
	void paths();
	void namespaces();
	void maps_and_times();
	void system();
	void resources();
	void devices();
	void unknown(const json& j, const json& k, const std::string& path);
};


void checker::user()
{
	const json* u = at(config, {"process", "user"});
	if (!u) return;
	const report& id = of("idreport");
	for (auto [key, real, effective] : {std::tuple{"uid", "UID", "EUID"}, {"gid", "GID", "EGID"}})
		if (const json* v = at(*u, {key})) {
			std::string want = std::to_string(v->get<uint64_t>()), got = value("idreport", real) + " " + value("idreport", effective);
			add(std::string("process.user.") + key, id.first(real) == want && id.first(effective) == want, *v, got,
			    line("idreport", real) + ", " + line("idreport", effective).substr(10));
		}
	if (const json* m = at(*u, {"umask"})) {
		char want[16];
		snprintf(want, sizeof want, "%04o", m->get<unsigned>());
		equal("process.user.umask", *m, want, "idreport", "umask");
	}
	std::set<uint64_t> want, got;
	if (const json* g = at(*u, {"additionalGids"}))
		for (auto& gid : *g) want.insert(gid.get<uint64_t>());
	for (const std::string& w : words(value("privreport", "Groups"), ' '))
		if (w != "(none)") got.insert(std::stoull(w));
	add("process.user.additionalGids", want == got, at(*u, {"additionalGids"}) ? *at(*u, {"additionalGids"}) : json::array(),
	    value("privreport", "Groups"), line("privreport", "Groups"));
}

void checker::process()
{
	const json* p = at(config, {"process"});
	if (!p) return;
	const std::string exec_skip = "not seen from an exec'd process";
	if (const json* a = at(*p, {"args"})) {
		if (c.exec) skip("process.args", exec_skip);
		else {
			std::vector<std::string> want, got;
			for (size_t i = 1; i < a->size(); ++i) want.push_back((*a)[i].get<std::string>());
			for (size_t i = 1; i < of("argreport").lines.size(); ++i) got.push_back(of("argreport").lines[i].second);
			add("process.args", want == got, *a, joined(got, "\n"), "argreport");
		}
	}
	if (const json* e = at(*p, {"env"})) {
		std::vector<std::string> want = e->get<std::vector<std::string>>(), got;
		for (auto& l : of("envreport").lines) got.push_back(l.second);
		bool home = std::any_of(want.begin(), want.end(), [](auto& s) { return s.rfind("HOME=", 0) == 0; });
		bool ok = got == want || (!home && got.size() == want.size() + 1 && got.back().rfind("HOME=", 0) == 0 &&
					  std::equal(want.begin(), want.end(), got.begin()));
		// an exec'd process shows only that each asked entry is there
		if (c.exec) ok = std::all_of(want.begin(), want.end(), [&](auto& s) { return std::count(got.begin(), got.end(), s); });
		add("process.env", ok, *e, joined(got, "\n"), "envreport");
	}
	if (const json* d = at(*p, {"cwd"})) equal("process.cwd", *d, d->get<std::string>(), "nsreport", "Cwd");
	if (const json* caps = at(*p, {"capabilities"})) capabilities(*caps);
	if (const json* limits = at(*p, {"rlimits"}))
		for (auto& l : *limits) {
			std::string type = l.at("type").get<std::string>();
			auto limit = [](uint64_t v) { return v == UINT64_MAX ? std::string("unlimited") : std::to_string(v); };
			equal("process.rlimits " + type, l, limit(l.at("soft").get<uint64_t>()) + "\t" + limit(l.at("hard").get<uint64_t>()),
			      "resreport", type);
		}
	const json* nnp = at(*p, {"noNewPrivileges"});
	equal("process.noNewPrivileges", nnp ? *nnp : json(false), nnp && nnp->get<bool>() ? "1" : "0", "privreport", "NoNewPrivs");
	for (auto [key, module] : {std::pair{"apparmorProfile", "apparmor"}, {"selinuxLabel", "selinux"}})
		if (const json* v = at(*p, {key})) {
			std::string got = "(none)";
			for (const std::string& l : of("privreport").all("Label"))
				if (l.rfind(std::string(module) + "\t", 0) == 0) got = l.substr(l.find('\t') + 1);
			if (module == std::string("apparmor")) got = got.substr(0, got.find(" ("));
			add(std::string("process.") + key, got == v->get<std::string>(), *v, got, line("privreport", "Label"));
		}
	if (const json* o = at(*p, {"oomScoreAdj"})) equal("process.oomScoreAdj", *o, std::to_string(o->get<int64_t>()), "resreport", "OOMScoreAdj");
	if (const json* s = at(*p, {"scheduler"})) {
		std::string policy = lower(s->at("policy").get<std::string>());
		policy = policy.rfind("sched_", 0) == 0 ? policy.substr(6) : policy;
		std::string want = policy + "\t" + std::to_string(s->value("priority", 0)) + " nice " + std::to_string(s->value("nice", 0));
		auto got_policy = words(value("resreport", "Policy"), '\t');
		got_policy.resize(2);
		std::string got = got_policy[0].substr(0, got_policy[0].find(',')) + "\t" + got_policy[1] + " nice " + value("resreport", "Nice");
		add("process.scheduler", got == want, *s, got, line("resreport", "Policy") + ", " + line("resreport", "Nice"));
	}
	if (const json* io = at(*p, {"ioPriority"})) {
		std::string cls = lower(io->at("class").get<std::string>());
		cls = cls.rfind("ioprio_class_", 0) == 0 ? cls.substr(13) : cls;
		auto got = words(value("resreport", "IOPriority"), '\t');
		got.resize(2);
		add("process.ioPriority", got[0] + "\t" + got[1] == cls + "\t" + std::to_string(io->value("priority", 0)), *io,
		    value("resreport", "IOPriority"), line("resreport", "IOPriority"));
	}
	if (const json* a = at(*p, {"execCPUAffinity"})) {
		std::string want = a->value("final", a->value("initial", std::string()));
		add("process.execCPUAffinity", cpus(want) == cpus(value("resreport", "Cpus")), *a, value("resreport", "Cpus"),
		    line("resreport", "Cpus"));
	}
	const std::string pipe_skip = c.exec ? exec_skip : "the probes' output is read from a pipe";
	if (at(*p, {"terminal"})) skip("process.terminal", pipe_skip);
	if (at(*p, {"consoleSize"})) skip("process.consoleSize", pipe_skip);
}

// The names after the mask, without their prefix.
void checker::capabilities(const json& caps)
{
	for (auto [set, label] : capability_sets) {
		std::set<std::string> want, got;
		if (const json* names = at(caps, {set}))
			for (auto& n : *names) want.insert(capability(n.get<std::string>()));
		std::string v = value("privreport", label);
		if (v.find('\t') != v.npos)
			for (const std::string& n : words(v.substr(v.find('\t') + 1), ',')) got.insert(capability(n));
		add(std::string("process.capabilities.") + set, want == got && v != "(none)", at(caps, {set}) ? *at(caps, {set}) : json::array(),
		    v, line("privreport", label));
	}
}

void checker::names_and_root()
{
	for (auto [key, label] : {std::pair{"hostname", "Hostname"}, {"domainname", "Domainname"}})
		if (const json* n = at(config, {key})) equal(key, *n, n->get<std::string>(), "nsreport", label);
	if (const json* root = at(config, {"root"})) {
		const json* ro = at(*root, {"readonly"});
		equal("root.readonly", ro ? *ro : json(false), ro && ro->get<bool>() ? "ro" : "rw", "nsreport", "Root");
	}
}

// Whether the host's path is the root of a mount there.
bool mount_point(const std::string& path)
{
	struct statx st;
	return statx(AT_FDCWD, path.c_str(), 0, STATX_TYPE, &st) == 0 && st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT &&
	       st.stx_attributes & STATX_ATTR_MOUNT_ROOT;
}

// The last Mount line at each point, its seven fields.
void checker::mounts()
{
	const auto at_point = by_first("mntreport", "Mount", 7);
	if (const json* list = at(config, {"mounts"}))
		for (auto& mount : *list) {
			std::string dest = mount.at("destination").get<std::string>(), type = mount.value("type", std::string());
			if (dest == c.probes_mount) continue;
			std::vector<std::string> options = mount.value("options", std::vector<std::string>());
			bool bind = type == "bind" || std::count(options.begin(), options.end(), "bind") || std::count(options.begin(), options.end(), "rbind");
			auto found = at_point.find(dest);
			std::string field = "mounts " + dest;
			if (found == at_point.end()) {
				add(field, false, mount, "no mount there", "mntreport");
				continue;
			}
			auto& f = found->second.first;
			auto got_options = words(f[4], ',');
			bool ok = (std::count(got_options.begin(), got_options.end(), "ro") > 0) == (std::count(options.begin(), options.end(), "ro") > 0);
			if (!bind) ok = ok && (f[1] == type || (type == "cgroup" && (f[1] == "cgroup2" || f[1] == "tmpfs")));
			if (bind) {
				std::string source = mount.value("source", std::string());
				std::error_code e;
				auto real = std::filesystem::canonical(source, e);
				std::string name = std::filesystem::path(e ? source : real.string()).filename();
				bool whole = !e && mount_point(real);
				ok = ok && (whole ? f[3] == "/" : f[3].size() >= name.size() && f[3].substr(f[3].size() - name.size()) == name);
			}
			add(field, ok, mount, joined(f, "\t"), found->second.second);
		}
	if (const json* p = at(config, {"linux", "rootfsPropagation"})) {
		std::string want = p->get<std::string>();
		want = want[0] == 'r' && want != "rprivate" ? want.substr(1) : want == "rprivate" ? "private" : want;
		const char* tag = want == "shared" ? "shared:" : want == "slave" ? "master:" : want == "unbindable" ? "unbindable" : "private";
		auto found = at_point.find("/");
		std::string got = found == at_point.end() ? "no mount of /" : found->second.first[5];
		add("linux.rootfsPropagation", got.find(tag) != got.npos, *p, got, found == at_point.end() ? "mntreport" : found->second.second);
	}
}

// Masked paths masked or absent; read-only ones read-only too.
void checker::paths()
{
	std::map<std::string, std::string> state;
	for (const std::string& v : of("mntreport").all("Path"))
		if (size_t tab = v.rfind('\t'); tab != v.npos) state[v.substr(0, tab)] = v.substr(tab + 1);
	for (auto [key, allowed] : {std::pair{"maskedPaths", "masked absent"}, {"readonlyPaths", "ro masked absent"}})
		if (const json* list = at(config, {"linux", key})) {
			std::string wrong;
			const auto fine = words(allowed, ' ');
			for (auto& p : *list) {
				std::string path = p.get<std::string>(), s = state.count(path) ? state[path] : "not reported";
				if (!std::count(fine.begin(), fine.end(), s)) wrong += (wrong.empty() ? "" : ", ") + path + " " + s;
			}
			add(std::string("linux.") + key, wrong.empty(), *list, wrong.empty() ? "each as asked" : wrong, "mntreport: Path");
		}
}

void checker::namespaces()
{
	const json* list = at(config, {"linux", "namespaces"});
	std::map<std::string, const json*> asked;
	if (list)
		for (auto& n : *list) asked[namespace_kinds.at(n.at("type").get<std::string>())] = &n;
	for (auto& [oci, kind] : namespace_kinds) {
		std::string field = "linux.namespaces " + oci, got = value("nsreport", "ns/" + kind), number = got.substr(0, got.find('\t'));
		const json* a = asked.count(kind) ? asked[kind] : nullptr;
		std::string path = a ? a->value("path", std::string()) : "";
		bool ok;
		if (!path.empty()) {
			if (c.remote) {
				skip(field, "a namespace path on another machine");
				continue;
			}
			struct stat st;
			ok = stat(path.c_str(), &st) == 0 && number == std::to_string(st.st_ino);
		} else {
			bool own = c.remote ? got.find("\tinitial") != got.npos
					    : c.own_namespaces.count(kind) && number == std::to_string(c.own_namespaces.at(kind));
			ok = got != "(none)" && got.find('[') == got.npos && (a ? !own : own);
		}
		add(field, ok, a ? *a : json(nullptr), got, line("nsreport", "ns/" + kind));
	}
}

void checker::maps_and_times()
{
	bool user_asked = false;
	if (const json* list = at(config, {"linux", "namespaces"}))
		for (auto& n : *list) user_asked = user_asked || n.at("type") == "user";
	for (auto [key, label, own] : {std::tuple{"uidMappings", "UidMap", &c.own_uid_map}, {"gidMappings", "GidMap", &c.own_gid_map}}) {
		const json* maps = at(config, {"linux", key});
		if (!maps && user_asked) continue;
		std::string want;
		if (maps)
			for (auto& m : *maps)
				want += (want.empty() ? "" : "\n") + std::to_string(m.at("containerID").get<uint64_t>()) + " " +
					std::to_string(m.at("hostID").get<uint64_t>()) + " " + std::to_string(m.at("size").get<uint64_t>());
		else
			want = *own;
		std::string got = joined(of("nsreport").all(label), "\n");
		add(std::string("linux.") + key, got == want, maps ? *maps : json(nullptr), got, line("nsreport", label));
	}
	if (const json* offsets = at(config, {"linux", "timeOffsets"})) {
		auto got = of("nsreport").all("TimeOffset");
		bool ok = true;
		for (auto& [clock, o] : offsets->items())
			ok = ok && std::count(got.begin(), got.end(), clock + " " + std::to_string(o.value("secs", int64_t(0))) + " " +
								 std::to_string(o.value("nanosecs", uint64_t(0))));
		add("linux.timeOffsets", ok, *offsets, joined(got, "\n"), line("nsreport", "TimeOffset"));
	}
}

void checker::system()
{
	if (const json* s = at(config, {"linux", "sysctl"}))
		for (auto& [name, v] : s->items())
			add("linux.sysctl " + name, squeezed(value("sysreport", name)) == squeezed(v.get<std::string>()), v,
			    value("sysreport", name), line("sysreport", name));
	if (const json* p = at(config, {"linux", "personality"})) {
		std::string got = value("sysreport", "Personality"), domain = got.substr(got.find('\t') + 1);
		domain = domain.substr(0, domain.find(','));
		add("linux.personality", domain == lower(p->at("domain").get<std::string>()), *p, got, line("sysreport", "Personality"));
	}
	if (const json* s = at(config, {"linux", "seccomp"})) equal("linux.seccomp", *s, "2\tfilter", "privreport", "Seccomp");
}

// The kernel keeps limits in pages.
std::string memory(int64_t v, const context& c, bool unified)
{
	if (v == -1) return unified ? "max" : std::to_string(uint64_t(INT64_MAX) / c.page_size * c.page_size);
	return std::to_string(uint64_t(v) / c.page_size * c.page_size);
}

void checker::resources()
{
	const json* res = at(config, {"linux", "resources"});
	const bool unified = of("resreport").first("memory.max").has_value();
	auto file = [&](const char* v1, const char* v2) { return std::string(unified ? v2 : v1); };
	if (const json* m = res ? at(*res, {"memory"}) : nullptr) {
		int64_t limit = m->value("limit", int64_t(-1));
		if (const json* v = at(*m, {"limit"})) equal("linux.resources.memory.limit", *v, memory(limit, c, unified), "resreport",
							  file("memory.limit_in_bytes", "memory.max"));
		if (const json* v = at(*m, {"reservation"}))
			equal("linux.resources.memory.reservation", *v, memory(v->get<int64_t>(), c, unified), "resreport",
			      file("memory.soft_limit_in_bytes", "memory.low"));
		if (const json* v = at(*m, {"swap"})) {
			int64_t swap = v->get<int64_t>();
			// the unified hierarchy's file holds the swap beyond the memory
			std::string want = !unified || swap == -1 || limit == -1 ? memory(swap, c, unified) : memory(swap - limit, c, true);
			equal("linux.resources.memory.swap", *v, want, "resreport", file("memory.memsw.limit_in_bytes", "memory.swap.max"));
		}
	}
	if (const json* cpu = res ? at(*res, {"cpu"}) : nullptr) {
		auto max = words(value("resreport", "cpu.max"), ' ');
		max.resize(2);
		if (const json* q = at(*cpu, {"quota"})) {
			std::string want = q->get<int64_t>() < 0 && unified ? "max" : std::to_string(q->get<int64_t>());
			if (unified) add("linux.resources.cpu.quota", max[0] == want, *q, max[0], line("resreport", "cpu.max"));
			else equal("linux.resources.cpu.quota", *q, want, "resreport", "cpu.cfs_quota_us");
		}
		if (const json* p = at(*cpu, {"period"})) {
			std::string want = std::to_string(p->get<uint64_t>());
			if (unified) add("linux.resources.cpu.period", max[1] == want, *p, max[1], line("resreport", "cpu.max"));
			else equal("linux.resources.cpu.period", *p, want, "resreport", "cpu.cfs_period_us");
		}
		if (const json* sh = at(*cpu, {"shares"}); sh && sh->get<uint64_t>() == 0) {
			skip("linux.resources.cpu.shares", "0 leaves the kernel's default");  // as Docker and containerd write it
		} else if (sh) {
			uint64_t shares = sh->get<uint64_t>();
			equal("linux.resources.cpu.shares", *sh, std::to_string(unified ? 1 + ((shares - 2) * 9999) / 262142 : shares), "resreport",
			      file("cpu.shares", "cpu.weight"));
		}
		if (const json* list = at(*cpu, {"cpus"})) {
			std::string label = file("cpuset.effective_cpus", "cpuset.cpus.effective"), got = value("resreport", label);
			bool ok = got.find_first_not_of("0123456789,-") == got.npos && cpus(got) == cpus(list->get<std::string>());
			add("linux.resources.cpu.cpus", ok, *list, got, line("resreport", label));
		}
	}
	if (const json* l = res ? at(*res, {"pids", "limit"}) : nullptr)
		equal("linux.resources.pids.limit", *l, l->get<int64_t>() <= 0 ? "max" : std::to_string(l->get<int64_t>()), "resreport", "pids.max");
	if (const json* path = at(config, {"linux", "cgroupsPath"})) {
		std::string want = path->get<std::string>();
		if (want.empty() || want[0] != '/') return skip("linux.cgroupsPath", "a systemd slice and scope");
		bool own_namespace = false;
		if (const json* list = at(config, {"linux", "namespaces"}))
			for (auto& n : *list) own_namespace = own_namespace || n.at("type") == "cgroup";
		std::string got = "(none)", probe = "resreport: no group line";
		for (const std::string& l : of("resreport").all("Cgroup")) {
			auto f = words(l, ':');
			auto controllers = f.size() >= 3 ? words(f[1], ',') : std::vector<std::string>{};
			bool ours = unified ? l.rfind("0::", 0) == 0 : std::count(controllers.begin(), controllers.end(), "memory") > 0;
			if (ours) got = l.substr(l.find(':', l.find(':') + 1) + 1), probe = "resreport: Cgroup:\t" + l;
		}
		bool ok = own_namespace ? got == "/" : got.size() >= want.size() && got.substr(got.size() - want.size()) == want;
		add("linux.cgroupsPath", ok, *path, got, probe);
	}
}

void checker::devices()
{
	const json* list = at(config, {"linux", "devices"});
	if (!list) return;
	const auto by_path = by_first("devreport", "Device", 5);
	for (auto& dev : *list) {
		std::string path = dev.at("path").get<std::string>(), type = dev.at("type").get<std::string>();
		std::string want = (type == "b" ? "b " : "c ") + std::to_string(dev.value("major", 0)) + ":" + std::to_string(dev.value("minor", 0));
		auto found = by_path.find(path);
		bool ok = found != by_path.end() && type != "p" && found->second.first[1] == want;
		if (ok && dev.contains("fileMode")) {
			char mode[8];
			snprintf(mode, sizeof mode, "%04o", dev["fileMode"].get<unsigned>() & 07777);
			ok = found->second.first[2] == mode;
		}
		if (ok && dev.contains("uid")) ok = found->second.first[3] == std::to_string(dev["uid"].get<uint64_t>());
		if (ok && dev.contains("gid")) ok = found->second.first[4] == std::to_string(dev["gid"].get<uint64_t>());
		add("linux.devices " + path, ok, dev, found == by_path.end() ? "no device there" : joined(found->second.first, "\t"),
		    found == by_path.end() ? "devreport" : found->second.second);
	}
}

// Each field of the configuration that no check reads, by its dotted path.
void checker::unknown(const json& j, const json& k, const std::string& path)
{
	for (auto& [key, v] : j.items()) {
		std::string name = path.empty() ? key : path + "." + key;
		if (!k.contains(key)) skip(name, "no probe shows it");
		else if (k[key].is_object() && v.is_object()) unknown(v, k[key], name);
	}
}

} // namespace

std::vector<point> check_fields(const json& config, const reports& r, const context& c)
{
	checker k{config, r, c};
	k.user();
	k.process();
	k.names_and_root();
	k.mounts();
	k.paths();
	k.namespaces();
	k.maps_and_times();
	k.system();
	k.resources();
	k.devices();
	k.unknown(config, known, "");
	return k.points;
}

// What the checks cannot read is an error before anything runs: a name or
// a kind no kernel has, or a field of another type than the format's.
void check_shape(const json& config)
{
	if (!config.is_object() || !config.contains("ociVersion") || !config["ociVersion"].is_string())
		throw failure("not a runtime configuration: no ociVersion");
	if (const json* caps = at(config, {"process", "capabilities"}))
		for (auto [set, label] : capability_sets)
			for (auto& n : caps->value(set, json::array()))
				if (!std::count(capability_names.begin(), capability_names.end(), capability(n.get<std::string>())))
					throw failure("process.capabilities." + std::string(set) + ": unknown capability " + n.get<std::string>());
	if (const json* list = at(config, {"linux", "namespaces"}))
		for (auto& n : *list)
			if (!namespace_kinds.count(n.at("type").get<std::string>()))
				throw failure("linux.namespaces: unknown kind " + n.at("type").get<std::string>());
	try {
		check_fields(config, {}, {});
	} catch (const json::exception& e) {
		std::string what = e.what();
		throw failure("not a runtime configuration: " + what.substr(what.find("] ") + 2));
	}
}

std::vector<std::string> operands_of(const std::string& probe, const json& config)
{
	std::vector<std::string> out;
	if (probe == "argreport")
		if (const json* a = at(config, {"process", "args"}))
			for (size_t i = 1; i < a->size(); ++i) out.push_back((*a)[i].get<std::string>());
	if (probe == "mntreport" || probe == "sysreport") out.push_back("--");
	if (probe == "mntreport")
		for (const char* key : {"maskedPaths", "readonlyPaths"})
			if (const json* list = at(config, {"linux", key}))
				for (auto& p : *list) out.push_back(p.get<std::string>());
	if (probe == "sysreport")
		if (const json* s = at(config, {"linux", "sysctl"}))
			for (auto& [name, v] : s->items()) out.push_back(name);
	return out;
}
