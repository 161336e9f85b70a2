#include <iostream>
#include "ocicheck.hpp"

namespace {

// A YAML scalar: JSON's string form is one.
std::string scalar(const std::string& s) { return json(s).dump(); }

} // namespace

// TAP version 14: a point per field, a failed one with what was asked,
// what arrived and the line that said so.
void print_tap(const std::vector<point>& points)
{
	std::cout << "TAP version 14\n1.." << points.size() << "\n";
	int n = 0;
	for (const point& p : points) {
		std::cout << (p.result == "fail" ? "not ok " : "ok ") << ++n << " - " << p.field;
		if (p.result == "skip") std::cout << " # SKIP " << p.reason;
		std::cout << "\n";
		if (p.result == "fail")
			std::cout << "  ---\n  asked: " << p.asked.dump() << "\n  got: " << scalar(p.got) << "\n  probe: " << scalar(p.probe)
				  << "\n  ...\n";
	}
}

void print_json(const std::optional<std::string>& config, const std::vector<point>& points, const reports& r)
{
	json checks = json::array();
	for (const point& p : points) {
		json c = {{"field", p.field}, {"result", p.result}};
		if (p.result != "skip") c["asked"] = p.asked, c["got"] = p.got;
		if (!p.reason.empty()) c["reason"] = p.reason;
		checks.push_back(c);
	}
	json doc = {{"ocicheck", version}, {"config", config ? json(*config) : json(nullptr)}, {"checks", checks},
		{"reports", reports_json(r)}};
	std::cout << doc.dump(2) << "\n";
}

void print_reports(const reports& r)
{
	for (const std::string& probe : probe_names)
		if (auto it = r.find(probe); it != r.end()) {
			std::cout << "== " << probe << "\n";
			for (const std::string& line : it->second.printed) std::cout << line << "\n";
		}
}
