#include "system_write.hpp"

static constinit char out_buf[8192];
static constinit writer out_record{1, out_buf, sizeof out_buf, 0, system_write};
constinit writer* const writer_out = &out_record;
