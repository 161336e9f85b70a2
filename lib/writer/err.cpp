#include "system_write.hpp"

// Last among the zeroed sections, as writer_out's (lib/writer/out.cpp).
static constinit char err_buf[256] [[gnu::section(".bss.~writer_err")]];
static constinit writer err_record{2, err_buf, sizeof err_buf, 0, system_write};
constinit writer* const writer_err = &err_record;
