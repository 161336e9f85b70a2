#include "system_write.hpp"

// Named to sort after every other zeroed section (the probes link with
// sections sorted by name): so the buffer starts on the page the small
// data and the C library's own already take, and a short report costs no
// page of its own. The large buffers are common symbols, after it.
static constinit char out_buf[8192] [[gnu::section(".bss.~writer_out")]];
static constinit writer out_record{1, out_buf, sizeof out_buf, 0, system_write};
constinit writer* const writer_out = &out_record;
