// Times two commands alternately, A B B A A B B A ..., each with its own
// argument vector and both with this program's environment, output to
// /dev/null, so that drift of a shared machine falls on both alike. Prints the
// median and minimum microseconds of each, the median of the per-pair
// ratios A/B, the number of pairs, and the standard error of that median
// (from the ratios' interquartile range).
// usage: pairtime PAIRS A [ARG...] -- B [ARG...] [-- COMMON...]
// COMMON arguments go to both, after their own; A and B are found through
// PATH unless they hold a slash.
#include <algorithm>
#include <fcntl.h>
#include <math.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <string_view>
#include <vector>

extern char** environ;

namespace {

posix_spawn_file_actions_t quiet;

double run_once(char* const* argv)
{
	timespec a, b;
	pid_t pid;
	int status;
	clock_gettime(CLOCK_MONOTONIC, &a);
	if (posix_spawnp(&pid, argv[0], &quiet, nullptr, argv, environ) != 0) {
		perror(argv[0]);
		exit(2);
	}
	waitpid(pid, &status, 0);
	clock_gettime(CLOCK_MONOTONIC, &b);
	return double(b.tv_sec - a.tv_sec) * 1e6 + double(b.tv_nsec - a.tv_nsec) / 1e3;
}

double quantile(std::vector<double> v, double q)
{
	std::sort(v.begin(), v.end());
	double at = q * double(v.size() - 1);
	size_t i = size_t(at);
	return i + 1 < v.size() ? v[i] + (at - double(i)) * (v[i + 1] - v[i]) : v[i];
}

double median(const std::vector<double>& v)
{
	return quantile(v, 0.5);
}

// A normal spread with this interquartile range, and the median's error.
double median_error(const std::vector<double>& v)
{
	double sigma = (quantile(v, 0.75) - quantile(v, 0.25)) / 1.349;
	return 1.2533 * sigma / sqrt(double(v.size()));
}

} // namespace

int main(int argc, char** argv)
{
	std::vector<char*> cmd[2], common;
	int part = 0;
	for (int i = 2; i < argc; ++i) {
		if (part < 2 && std::string_view(argv[i]) == "--") ++part;
		else (part < 2 ? cmd[part] : common).push_back(argv[i]);
	}
	long pairs = argc > 1 ? atol(argv[1]) : 0;
	if (pairs < 1 || cmd[0].empty() || cmd[1].empty()) {
		fprintf(stderr, "usage: pairtime PAIRS A [ARG...] -- B [ARG...] [-- COMMON...]\n");
		return 2;
	}
	for (auto& c : cmd) {
		c.insert(c.end(), common.begin(), common.end());
		c.push_back(nullptr);
	}
	posix_spawn_file_actions_init(&quiet);
	posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
	posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);

	for (long i = 0; i < pairs / 10 + 20; ++i) run_once(cmd[i % 2].data());
	std::vector<double> t[2], ratio;
	for (long i = 0; i < pairs; ++i) {
		int first = i % 2;  // A B, then B A
		double x = run_once(cmd[first].data());
		double y = run_once(cmd[!first].data());
		double ta = first ? y : x, tb = first ? x : y;
		t[0].push_back(ta);
		t[1].push_back(tb);
		ratio.push_back(ta / tb);
	}
	printf("%.1f %.1f %.1f %.1f %.4f %ld %.4f\n", median(t[0]), *std::min_element(t[0].begin(), t[0].end()),
	       median(t[1]), *std::min_element(t[1].begin(), t[1].end()), median(ratio), pairs,
	       median_error(ratio));
	return 0;
}
