#pragma once
#include <stdint.h>

// Reads the file at path, relative to the directory descriptor dir
// (AT_FDCWD for the current one), into buf until its end or until cap
// bytes are held, and closes it: the bytes held, or -1 with errno as the
// failing open or read left it. A longer file is cut at cap. A FIFO
// never makes it wait: without a writer it reads as empty, and with one
// that has written nothing it fails with EAGAIN.
int64_t file_read(int32_t dir, const char* path, char* buf, uint64_t cap);
