#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include "ocicheck.hpp"

namespace fs = std::filesystem;

namespace {

const char* const usage_text =
	"usage: ocicheck [-hV] [--json] [--runtime RUNTIME] [--probes DIR] BUNDLE\n"
	"       ocicheck [-hV] [--json] [--inside DIR] [--remote] --exec [CONFIG] -- COMMAND...\n";

struct options {
	bool json = false, remote = false, exec = false;
	std::string runtime = "runc", probes, inside = "/usr/bin", bundle;
	std::optional<std::string> config;
	std::vector<std::string> command;
};

[[noreturn]] void usage(int status, const std::string& why = "")
{
	if (!why.empty()) std::cerr << "ocicheck: usage error: " << why << "\n";
	std::cerr << usage_text;
	exit(status);
}

options parse(int argc, char** argv)
{
	options o;
	std::vector<std::string> args(argv + 1, argv + argc);
	size_t i = 0;
	auto value = [&](const std::string& name) {
		if (++i >= args.size()) usage(2, name + " needs a value");
		return args[i];
	};
	for (; i < args.size(); ++i) {
		const std::string& a = args[i];
		if (a == "-h") usage(0);
		else if (a == "-V") std::cerr << "ocicheck: version: " << version << "\n", exit(0);
		else if (a == "--json") o.json = true;
		else if (a == "--remote") o.remote = true;
		else if (a == "--runtime") o.runtime = value(a);
		else if (a == "--probes") o.probes = value(a);
		else if (a == "--inside") o.inside = value(a);
		else if (a == "--exec") {
			o.exec = true;
			if (i + 1 < args.size() && args[i + 1] != "--") o.config = args[++i];
		} else if (a == "--") {
			o.command.assign(args.begin() + long(i) + 1, args.end());
			break;
		} else if (a.size() > 1 && a[0] == '-') usage(2, "invalid option: " + a);
		else if (o.bundle.empty() && !o.exec) o.bundle = a;
		else usage(2, "unexpected argument: " + a);
	}
	if (o.exec ? o.command.empty() || !o.bundle.empty() : o.bundle.empty() || !o.command.empty())
		usage(2, o.exec ? "--exec needs a command after --" : "a bundle, or --exec and a command");
	return o;
}

std::string read_text(const std::string& path)
{
	if (path == "-") return {std::istreambuf_iterator<char>(std::cin), {}};
	std::ifstream f(path);
	if (!f) throw failure(path + ": " + strerror(errno));
	return {std::istreambuf_iterator<char>(f), {}};
}

// The configuration, or the one a document holds: what crictl inspect
// and ctr containers info print hold it.
json read_config(const std::string& path)
{
	std::string text = read_text(path);
	json doc;
	try {
		doc = json::parse(text);
	} catch (const json::parse_error& e) {
		size_t upto = std::min<size_t>(e.byte ? e.byte - 1 : 0, text.size());
		std::string what = e.what();
		size_t at = what.find(": ", what.find("column"));
		throw failure(path + ": line " + std::to_string(1 + std::count(text.begin(), text.begin() + long(upto), '\n')) + ": " +
			      (at == what.npos ? what : what.substr(at + 2)));
	}
	if (doc.is_object() && doc.contains("info") && doc["info"].is_object() && doc["info"].contains("runtimeSpec"))
		doc = doc["info"]["runtimeSpec"];
	else if (doc.is_object() && doc.contains("Spec")) doc = doc["Spec"];
	try {
		check_shape(doc);
	} catch (const failure& e) {
		throw failure(path + ": " + e.what());
	}
	return doc;
}

std::string last_line(const std::string& text)
{
	std::istringstream in(text);
	std::string line, last;
	while (std::getline(in, line))
		if (!line.empty()) last = line;
	return last;
}

// A probe that did not end with status 0: the last line it or what
// started it wrote says why.
failure failed(const std::string& who, const std::string& probe, const output& out)
{
	std::string why = last_line(out.err);
	return failure(who + ": " + probe + ": " + (why.empty() ? "exit status " + std::to_string(out.status) : why));
}

// A bundle of the check's own for one probe, removed with its container
// on every path.
struct temporary_bundle {
	std::string runtime, id;
	fs::path dir;
	temporary_bundle(const std::string& r, const std::string& i) : runtime(r), id(i)
	{
		const char* tmp = getenv("TMPDIR");
		std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/ocicheck.XXXXXX";
		if (!mkdtemp(templ.data())) throw failure(templ + ": " + strerror(errno));
		dir = templ;
	}
	~temporary_bundle()
	{
		try {
			run({runtime, "delete", "--force", id}, true);
		} catch (...) {
		}
		std::error_code e;
		fs::remove_all(dir, e);
	}
};

context where_we_run(const options& o)
{
	context c;
	c.exec = o.exec, c.remote = o.remote;
	c.page_size = uint64_t(sysconf(_SC_PAGESIZE));
	for (const char* kind : {"cgroup", "ipc", "mnt", "net", "pid", "time", "user", "uts"}) {
		struct stat st;
		if (stat((std::string("/proc/self/ns/") + kind).c_str(), &st) == 0) c.own_namespaces[kind] = st.st_ino;
	}
	for (auto [file, into] : {std::pair{"/proc/self/uid_map", &c.own_uid_map}, {"/proc/self/gid_map", &c.own_gid_map}}) {
		std::istringstream lines(read_text(file));
		for (std::string a, b, n; lines >> a >> b >> n;) *into += (into->empty() ? "" : "\n") + a + " " + b + " " + n;
	}
	return c;
}

// Each probe through the runtime, in a bundle that differs from the one
// given only in what it starts and where the probes are.
reports run_bundle(const options& o, json config, context& c)
{
	fs::path bundle = fs::absolute(o.bundle);
	fs::path root = fs::path(config["root"]["path"].get<std::string>());
	if (root.is_relative()) root = bundle / root;
	if (!fs::is_directory(root)) throw failure(root.string() + ": no root folder");
	fs::path probes = o.probes.empty() ? fs::read_symlink("/proc/self/exe").parent_path() : fs::absolute(o.probes);
	for (const std::string& p : probe_names)
		if (access((probes / p).c_str(), X_OK)) throw failure((probes / p).string() + ": no such probe");
	std::string tmpfs;
	for (auto& m : config.value("mounts", json::array()))
		if (m.value("type", "") == "tmpfs" && tmpfs.empty()) tmpfs = m.at("destination").get<std::string>();
	if (tmpfs.empty()) throw failure("no tmpfs mount to put the probes in");
	c.probes_mount = (tmpfs == "/" ? "" : tmpfs) + "/.ocicheck";
	config["root"]["path"] = root.string();
	config["process"]["terminal"] = false;
	config["mounts"].push_back({{"destination", c.probes_mount}, {"type", "bind"}, {"source", probes.string()},
		{"options", {"rbind", "ro"}}});
	reports r;
	int n = 0;
	for (const std::string& p : probe_names) {
		temporary_bundle t(o.runtime, "ocicheck-" + std::to_string(getpid()) + "-" + std::to_string(++n));
		json mine = config;
		mine["process"]["args"] = json::array({c.probes_mount + "/" + p});
		for (const std::string& operand : operands_of(p, config)) mine["process"]["args"].push_back(operand);
		std::ofstream(t.dir / "config.json") << mine.dump();
		output out = run({o.runtime, "run", "--bundle", t.dir.string(), t.id});
		if (out.status) throw failed(o.runtime, p, out);
		r[p] = parse_report(p, out.out, out.err);
	}
	return r;
}

// Each probe with the command before it, in the running container.
reports run_exec(const options& o, const std::optional<json>& config)
{
	reports r;
	for (const std::string& p : probe_names) {
		std::vector<std::string> argv = o.command;
		argv.push_back(o.inside + "/" + p);
		if (config)
			for (const std::string& operand : operands_of(p, *config)) argv.push_back(operand);
		output out = run(argv);
		if (out.status) throw failed(o.command[0], p, out);
		r[p] = parse_report(p, out.out, out.err);
	}
	return r;
}

} // namespace

int main(int argc, char** argv)
{
	options o = parse(argc, argv);
	watch_signals();
	try {
		context c = where_we_run(o);
		std::optional<std::string> path = o.exec ? o.config : std::optional(o.bundle + "/config.json");
		std::optional<json> config;
		if (path) config = read_config(*path);
		reports r = o.exec ? run_exec(o, config) : run_bundle(o, *config, c);
		std::vector<point> points = config ? check_fields(*config, r, c) : std::vector<point>{};
		if (o.json) print_json(path, points, r);
		else if (!config) print_reports(r);
		else print_tap(points);
		return std::any_of(points.begin(), points.end(), [](const point& p) { return p.result == "fail"; }) ? 1 : 0;
	} catch (const failure& e) {
		std::cerr << "ocicheck: error: " << e.what() << "\n";
		return 2;
	} catch (const json::exception& e) {
		std::cerr << "ocicheck: error: " << e.what() << "\n";
		return 2;
	} catch (const stopped& s) {
		signal(s.signal, SIG_DFL);
		raise(s.signal);
		return 128 + s.signal;
	}
}
