// The option scanner against a plain model: the input is the option string, then
// the argument vector, pieces split at NUL bytes. Every element lives in
// an allocation of its exact size, so a read past a terminator or off the
// vector is caught by AddressSanitizer.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "opt.hpp"

namespace {

struct model {
	const std::vector<std::string>& el;
	const std::string& options;
	size_t ind = 1, pos = 1;
	char opt = 0;
	long arg_at = -1;  // element whose text from arg_off on is the argument
	size_t arg_off = 0;

	char next()
	{
		opt = 0;
		arg_at = -1;
		if (pos == 1) {
			if (ind >= el.size()) return 0;
			const std::string& e = el[ind];
			if (e.empty() || e[0] != '-' || e == "-") return 0;
			if (e == "--") {
				++ind;
				return 0;
			}
		}
		size_t at = ind;
		char c = el[at][pos++];
		opt = c;
		if (pos == el[at].size()) ++ind, pos = 1;
		size_t k = options.find(c);
		if (c == ':' || k == std::string::npos) return '?';
		if (k + 1 >= options.size() || options[k + 1] != ':') return c;
		if (pos != 1) {
			arg_at = long(at), arg_off = pos;
			++ind, pos = 1;
			return c;
		}
		if (ind >= el.size()) return ':';
		arg_at = long(ind++), arg_off = 0;
		return c;
	}
};

char* exact_copy(const std::string& s)
{
	char* p = static_cast<char*>(malloc(s.size() + 1));
	memcpy(p, s.c_str(), s.size() + 1);
	return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::vector<std::string> pieces(1);
	for (size_t i = 0; i < size; ++i)
		if (data[i]) pieces.back() += char(data[i]);
		else pieces.emplace_back();
	const std::string options = pieces[0];
	const std::vector<std::string> el(pieces.begin() + 1, pieces.end());

	char* options_copy = exact_copy(options);
	auto argv = static_cast<char**>(malloc((el.size() + 1) * sizeof(char*)));
	for (size_t i = 0; i < el.size(); ++i) argv[i] = exact_copy(el[i]);
	argv[el.size()] = nullptr;

	opt_state s;
	opt_init(&s, int32_t(el.size()), argv, options_copy, 1);
	if (!el.empty()) {
		const char* name = program_name(&s);
		const char* slash = strrchr(argv[0], '/');
		if (name != (slash ? slash + 1 : argv[0])) abort();
	}
	model m{el, options};
	for (size_t calls = 0; calls <= size + 2; ++calls) {
		char got = opt_next(&s);
		char want = m.next();
		// ind never moves past argc; it only starts there with no elements
		if (got != want || s.opt != m.opt || s.ind != m.ind || s.ind > (s.argc ? s.argc : 1)) abort();
		const char* want_arg = m.arg_at < 0 ? nullptr : argv[m.arg_at] + m.arg_off;
		if (s.arg != want_arg) abort();
		bool documented = got == 0 || got == '?' || got == ':' || (options.find(got) != std::string::npos);
		if (!documented) abort();
		if (!got) break;
	}

	for (size_t i = 0; i < el.size(); ++i) free(argv[i]);
	free(argv);
	free(options_copy);
	return 0;
}
