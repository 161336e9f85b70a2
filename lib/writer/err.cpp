#include "system_write.hpp"

static constinit char err_buf[256];
static constinit writer err_record{2, err_buf, sizeof err_buf, 0, system_write};
constinit writer* const writer_err = &err_record;
