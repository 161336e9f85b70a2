#include <set>
#include <sstream>
#include "ocicheck.hpp"

namespace {

const std::set<std::string> id_labels = {"UID", "EUID", "GID", "EGID", "PID", "PPID", "PGID", "SID", "umask"};
// Labels a probe may write more than once: always an array in JSON.
const std::set<std::string> repeated = {"Mount", "Path", "Device", "Link", "Allow", "Cgroup", "UidMap", "GidMap",
	"TimeOffset", "Label"};
const char* const fd_fields[] = {"fd", "kind", "access", "flags", "detail", "target"};

std::vector<std::string> split(const std::string& text, char at)
{
	std::vector<std::string> parts;
	std::istringstream in(text);
	for (std::string part; std::getline(in, part, at);) parts.push_back(part);
	return parts;
}

bool is_octal(char c) { return c >= '0' && c <= '7'; }

} // namespace

std::string unescaped(const std::string& s)
{
	std::string out;
	for (size_t i = 0; i < s.size(); ++i) {
		if (s[i] == '\\' && i + 3 < s.size() && is_octal(s[i + 1]) && is_octal(s[i + 2]) && is_octal(s[i + 3])) {
			out += char((s[i + 1] - '0') << 6 | (s[i + 2] - '0') << 3 | (s[i + 3] - '0'));
			i += 3;
		} else {
			out += s[i];
		}
	}
	return out;
}

std::vector<std::string> report::all(const std::string& label) const
{
	std::vector<std::string> values;
	for (auto& [l, v] : lines)
		if (l == label) values.push_back(v);
	return values;
}

std::optional<std::string> report::first(const std::string& label) const
{
	for (auto& [l, v] : lines)
		if (l == label) return v;
	return std::nullopt;
}

std::string report::line_of(const std::string& label) const
{
	for (size_t i = 0; i < lines.size(); ++i)
		if (lines[i].first == label) return printed[i];
	return "";
}

// idreport writes to standard error, where a runtime or an exec command may
// write too: its report is the lines with its labels.
report parse_report(const std::string& probe, const std::string& out, const std::string& err)
{
	report r;
	for (const std::string& line : split(probe == "idreport" ? err : out, '\n')) {
		std::string label, value = line;
		if (probe == "limitreport") {
			size_t tab = line.find('\t'), colon = line.rfind(": ");
			if (tab == line.npos || colon == line.npos) continue;
			label = line.substr(0, tab), value = line.substr(colon + 2);
		} else if (probe == "fdreport") {
			label = line.substr(0, line.find('\t'));
		} else if (probe != "envreport" && probe != "argreport") {
			size_t at = line.find(":\t");
			if (at == line.npos) continue;
			label = line.substr(0, at), value = unescaped(line.substr(at + 2));
			if (probe == "idreport" && (!id_labels.count(label) || r.first(label))) continue;
		}
		r.printed.push_back(line);
		r.lines.emplace_back(label, value);
	}
	return r;
}

json reports_json(const reports& all)
{
	json doc = json::object();
	for (auto& [probe, r] : all) {
		json& j = doc[probe];
		if (probe == "envreport" || probe == "argreport") {
			j = json::array();
			for (auto& l : r.lines) j.push_back(l.second);
		} else if (probe == "fdreport") {
			j = json::array();
			for (auto& l : r.lines) {
				json fd = json::object();
				auto fields = split(l.second, '\t');
				fields.resize(6);
				for (int i = 0; i < 6; ++i) fd[fd_fields[i]] = i < 4 ? fields[i] : unescaped(fields[i]);
				j.push_back(fd);
			}
		} else {
			j = json::object();
			for (auto& [label, value] : r.lines)
				if (repeated.count(label)) j[label].push_back(value);
				else j[label] = value;
		}
	}
	return doc;
}
