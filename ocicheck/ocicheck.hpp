#pragma once
// Type errors name the field, as a JSON pointer.
#define JSON_DIAGNOSTICS 1
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using json = nlohmann::json;

inline constexpr const char* version = "2.07";

// The check cannot be made: one line, and exit status 2.
struct failure : std::runtime_error {
	using std::runtime_error::runtime_error;
};

// The probes, from the build's one list of them, in the order they run.
inline const std::vector<std::string> probe_names = {PROBE_NAMES};

// One probe's report: each line as printed, and as a label and its value
// with the probes' escapes decoded; envreport's and argreport's lines are
// values without labels, fdreport's a value of six tab-separated fields.
struct report {
	std::vector<std::string> printed;
	std::vector<std::pair<std::string, std::string>> lines;
	std::vector<std::string> all(const std::string& label) const;
	std::optional<std::string> first(const std::string& label) const;
	std::string line_of(const std::string& label) const;  // as printed, or ""
};
using reports = std::map<std::string, report>;

// "\ooo" as the byte it stands for.
std::string unescaped(const std::string& s);
report parse_report(const std::string& probe, const std::string& out, const std::string& err);
json reports_json(const reports& all);

// What the check knows of where it runs.
struct context {
	bool exec = false;    // the probes were started in a running container
	bool remote = false;  // on another machine than the container
	std::string probes_mount;  // a mount of the check's own, left out
	std::map<std::string, uint64_t> own_namespaces;  // the check's, by kind
	std::string own_uid_map, own_gid_map;             // the check's, one line each
	uint64_t page_size = 4096;
};

struct point {
	std::string field;
	std::string result;  // "ok", "fail" or "skip"
	json asked;
	std::string got;
	std::string probe;   // the report line that answered
	std::string reason;  // a skip's
};

// The configuration's own shape, checked before anything runs.
void check_shape(const json& config);
// The probes' operands that the configuration asks for.
std::vector<std::string> operands_of(const std::string& probe, const json& config);
std::vector<point> check_fields(const json& config, const reports& r, const context& c);

void print_tap(const std::vector<point>& points);
void print_json(const std::optional<std::string>& config, const std::vector<point>& points, const reports& r);
void print_reports(const reports& r);

// A signal ended the check: what it started is cleaned up, then the
// signal is raised again.
struct stopped {
	int signal;
};

// Running programs, with standard input from /dev/null and both outputs
// read to their end; an interrupt ends the program and throws stopped,
// unless cleaning up, which runs to its end.
struct output {
	int status = -1;
	std::string out, err;
};
output run(const std::vector<std::string>& argv, bool cleaning_up = false);
void watch_signals();
