#include <errno.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include "bytes.hpp"
#include "file.hpp"
#include "format.hpp"
#include "label.hpp"

// Its number where the C library's headers lack it: 459 everywhere but on
// mips64el's 64-bit calls, whose numbers start at 5000.
#ifdef SYS_lsm_get_self_attr
constexpr long lsm_get_self_attr = SYS_lsm_get_self_attr;
#elif defined(__mips__)
constexpr long lsm_get_self_attr = 5459;
#else
constexpr long lsm_get_self_attr = 459;
#endif
constexpr long lsm_attr_current = 100;

// A common symbol, placed after the other zeroed data, as the group list is.
[[gnu::common]] char label_buffer[4096];

// What the kernel writes before each label.
struct label_record {
	uint64_t id, flags, len, ctx_len;
};

static void print_line(writer* w, const char* value)
{
	writer_print(w, "Label:\t", value, "\n", nullptr);
}

void label_print(writer* w, const char* module, const char* text, uint64_t len)
{
	while (len && (text[len - 1] == 0 || text[len - 1] == '\n')) --len;
	writer_print(w, "Label:\t", module, "\t", nullptr);
	writer_escaped(w, text, len, true);
	writer_puts(w, "\n");
}

static const char* module_name(uint64_t id, char* text)
{
	switch (id) {
	case 101: return "selinux";
	case 102: return "smack";
	case 104: return "apparmor";
	}
	decimal_text(bytes_copy(text, "lsm", 3) + 3, id);
	return text;
}

// Only what the kernel said it used is read; a record that does not fit
// there ends the lines with a failed one.
void label_records_print(writer* w, const char* buf, uint64_t used, uint64_t count)
{
	if (!count) return print_line(w, "[not provided on this platform]");
	for (uint64_t at = 0; count--;) {
		label_record r;
		if (used - at < sizeof r) return print_line(w, "[query failed]");
		bytes_copy(reinterpret_cast<char*>(&r), buf + at, sizeof r);
		if (r.len < sizeof r || r.len > used - at || r.ctx_len > r.len - sizeof r) return print_line(w, "[query failed]");
		char name[3 + decimal_text_max];
		label_print(w, module_name(r.id, name), buf + at + sizeof r, r.ctx_len);
		at += r.len;
	}
}

void print_labels(writer* w)
{
	uint32_t size = sizeof label_buffer;
	long count = syscall(lsm_get_self_attr, lsm_attr_current, label_buffer, &size, 0);
	if (count >= 0) return label_records_print(w, label_buffer, size < sizeof label_buffer ? size : sizeof label_buffer, uint64_t(count));
	if (errno == EOPNOTSUPP) return print_line(w, "[not provided on this platform]");
	if (errno != ENOSYS && errno != EPERM) return print_line(w, "[query failed]");
	// the legacy file belongs to whichever module the kernel chose for it
	int64_t len = file_read(AT_FDCWD, "/proc/self/attr/apparmor/current", label_buffer, sizeof label_buffer);
	if (len >= 0) return label_print(w, "apparmor", label_buffer, uint64_t(len));
	len = file_read(AT_FDCWD, "/proc/self/attr/current", label_buffer, sizeof label_buffer);
	if (len >= 0) return label_print(w, "-", label_buffer, uint64_t(len));
	print_line(w, errno == EINVAL ? "[not provided on this platform]" : "[query failed]");
}
