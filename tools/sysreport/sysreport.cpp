#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>
#include "bytes.hpp"
#include "file.hpp"
#include "format.hpp"
#include "front.hpp"
#include "writer.hpp"

// A sysctl's path, and its text. Common symbols, after the other zeroed data.
[[gnu::common]] char sysctl_path[4096];
[[gnu::common]] char sysctl_text[4096];

namespace {

// The kernel settings a container may set in its own namespaces, and a few
// that programs check at start.
constexpr const char* sysctl_names[] = {
	"fs.file-max",
	"fs.mqueue.msg_default",
	"fs.mqueue.msg_max",
	"fs.mqueue.msgsize_default",
	"fs.mqueue.msgsize_max",
	"fs.mqueue.queues_max",
	"kernel.msgmax",
	"kernel.msgmnb",
	"kernel.msgmni",
	"kernel.pid_max",
	"kernel.sem",
	"kernel.shm_rmid_forced",
	"kernel.shmall",
	"kernel.shmmax",
	"kernel.shmmni",
	"net.core.somaxconn",
	"net.ipv4.ip_forward",
	"net.ipv4.ip_local_port_range",
	"net.ipv4.ip_local_reserved_ports",
	"net.ipv4.ip_unprivileged_port_start",
	"net.ipv4.ping_group_range",
	"net.ipv4.tcp_fin_timeout",
	"net.ipv4.tcp_keepalive_intvl",
	"net.ipv4.tcp_keepalive_probes",
	"net.ipv4.tcp_keepalive_time",
	"net.ipv4.tcp_notsent_lowat",
	"net.ipv4.tcp_rmem",
	"net.ipv4.tcp_slow_start_after_idle",
	"net.ipv4.tcp_syncookies",
	"net.ipv4.tcp_wmem",
	"net.ipv6.conf.all.disable_ipv6",
	"user.max_user_namespaces",
	"vm.max_map_count",
	"vm.overcommit_memory",
};

// Where the settings are; a listed name's path, this and the name, fits a
// buffer of listed_path_max.
constexpr char proc_sys[] = "/proc/sys/";
constexpr uint64_t listed_path_max = 64;
static_assert([] {
	for (const char* name : sysctl_names)
		if (sizeof proc_sys - 1 + __builtin_strlen(name) >= listed_path_max) return false;
	return true;
}(), "a listed name's path fits the stack's buffer");

struct flag_name {
	uint32_t bit;
	const char* name;
};

constexpr flag_name personality_flags[] = {
	{0x0020000, "uname26"},
	{0x0040000, "addr_no_randomize"},
	{0x0080000, "fdpic_funcptrs"},
	{0x0100000, "mmap_page_zero"},
	{0x0200000, "addr_compat_layout"},
	{0x0400000, "read_implies_exec"},
	{0x0800000, "addr_limit_32bit"},
	{0x1000000, "short_inode"},
	{0x2000000, "whole_seconds"},
	{0x4000000, "sticky_timeouts"},
	{0x8000000, "addr_limit_3gb"},
};

constexpr const char* failed = "[query failed]";

void print_line(const char* label, const char* value)
{
	writer_print(writer_out, label, ":\t", value, "\n", nullptr);
}

void print_names()
{
	utsname u;
	const char* labels[] = {"Sysname", "Release", "Version", "Machine"};
	const char* fields[] = {u.sysname, u.release, u.version, u.machine};
	bool ok = uname(&u) == 0;
	for (int i = 0; i < 4; ++i)
		if (ok) writer_field_escaped(writer_out, labels[i], fields[i], cstr_length(fields[i]));
		else print_line(labels[i], failed);
}

// The system call: asked with 0xffffffff it changes nothing.
void print_personality()
{
	long p = syscall(SYS_personality, 0xffffffffUL);
	if (p == -1) return print_line("Personality", failed);
	char hex[hex_text_max], domain[decimal_text_max];
	uint32_t value = uint32_t(p), low = value & 0xff;
	writer_print(writer_out, "Personality:\t", hex_text_padded(hex, value, 8), "\t",
		     low == 0 ? "linux" : low == 8 ? "linux32" : decimal_text(domain, low), nullptr);
	for (const flag_name& f : personality_flags)
		if (value & f.bit) writer_print(writer_out, ",", f.name, nullptr);
	writer_puts(writer_out, "\n");
}

// The controlling terminal's number, as the kernel encodes it, and size.
void print_terminal()
{
	long fd = syscall(SYS_openat, AT_FDCWD, "/dev/tty", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
	if (fd < 0) return print_line("Terminal", errno == ENXIO ? "-" : failed);
	unsigned int dev = 0;
	winsize size{};
	bool ok = syscall(SYS_ioctl, fd, long(TIOCGDEV), &dev) == 0 && syscall(SYS_ioctl, fd, long(TIOCGWINSZ), &size) == 0;
	syscall(SYS_close, fd);
	if (!ok) return print_line("Terminal", failed);
	char major[decimal_text_max], minor[decimal_text_max], rows[decimal_text_max], columns[decimal_text_max];
	writer_print(writer_out, "Terminal:\t", decimal_text(major, (dev & 0xfff00) >> 8), ":",
		     decimal_text(minor, (dev & 0xff) | ((dev >> 12) & 0xfff00)), "\t", decimal_text(rows, size.ws_row), " ",
		     decimal_text(columns, size.ws_col), "\n", nullptr);
}

// The file under /proc/sys that a name names, as sysctl reads names: a
// name whose first separator is "/" is a path as it stands; otherwise "."
// separates components and "/" stands for a dot inside one. Null for a
// name with an empty component, "." or "..", or one too long.
const char* path_of(const char* name)
{
	constexpr uint64_t prefix = sizeof proc_sys - 1;
	const char* first = name;
	while (*first && *first != '.' && *first != '/') ++first;
	const char separator = *first == '/' ? '/' : '.';
	char* out = sysctl_path + prefix;  // after "/proc/sys/", written once
	for (uint64_t i = 0, start = 0;; ++i) {
		if (prefix + i == sizeof sysctl_path) return nullptr;
		const char c = name[i];
		if (c && c != separator) {
			out[i] = c == '/' ? '.' : c;
			continue;
		}
		const uint64_t len = i - start;
		const char* part = name + start;
		if (len == 0 || (part[0] == '.' && (len == 1 || (len == 2 && part[1] == '.')))) return nullptr;
		out[i] = c ? '/' : 0;
		if (!c) return sysctl_path;
		start = i + 1;
	}
}

// A name of the list: its path is "/proc/sys/" and the name with each
// dot a slash, in a buffer on the stack, whose page is touched already,
// where the path buffer's would cost a fault.
const char* listed_path(const char* name, char (&path)[listed_path_max])
{
	char* out = bytes_copy(path, proc_sys, sizeof proc_sys - 1) + sizeof proc_sys - 1;
	for (; *name; ++name) *out++ = *name == '.' ? '/' : *name;
	*out = 0;
	return path;
}

// The file's text without its final newline, each tab as a space, every
// other control byte and the backslash escaped.
void print_sysctl(const char* path)
{
	int64_t n = path ? file_read(AT_FDCWD, path, sysctl_text, sizeof sysctl_text) : -1;
	if (n < 0 || uint64_t(n) == sizeof sysctl_text)
		return void(writer_print(writer_out, path && n < 0 && errno == ENOENT ? "-" : failed, "\n", nullptr));
	if (n > 0 && sysctl_text[n - 1] == '\n') --n;
	for (int64_t i = 0; i < n; ++i)
		if (sysctl_text[i] == '\t') sysctl_text[i] = ' ';
	writer_escaped(writer_out, sysctl_text, uint64_t(n), true);
	writer_put(writer_out, "\n", 1);
}

} // namespace

int main(int argc, char** argv)
{
	int32_t first = standard_options(argc, argv, " [NAME...]");
	print_names();
	print_personality();
	print_terminal();
	if (first < argc) bytes_copy(sysctl_path, proc_sys, sizeof proc_sys - 1);
	for (int32_t i = first; i < argc; ++i) {
		writer_escaped(writer_out, argv[i], cstr_length(argv[i]), true);
		writer_put(writer_out, ":\t", 2);
		print_sysctl(path_of(argv[i]));
	}
	char path[listed_path_max];
	if (first >= argc)
		for (const char* name : sysctl_names) {
			writer_print(writer_out, name, ":\t", nullptr);
			print_sysctl(listed_path(name, path));
		}
	writer_flush(writer_out);
	return 0;
}
