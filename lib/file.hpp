#pragma once
#include <stdint.h>

// Reads the file at path, relative to the directory descriptor dir
// (AT_FDCWD for the current one), into buf until its end or until cap
// bytes are held, and closes it: the bytes held, or -1 with errno as the
// failing open or read left it. A longer file is cut at cap. A FIFO
// never makes it wait: without a writer it reads as empty, and with one
// that has written nothing it fails with EAGAIN.
int64_t file_read(int32_t dir, const char* path, char* buf, uint64_t cap);

// getdents64's records, each with its name after the fixed fields.
struct directory_entry {
	uint64_t inode;
	int64_t offset;
	uint16_t length;
	uint8_t type;
	char name[1];
};

// statx's record: the same on every architecture, where each one's stat
// records differ.
struct file_status {
	uint32_t mask, block_size;
	uint64_t attributes;
	uint32_t links, uid, gid;
	uint16_t mode, spare;
	uint64_t inode, size, blocks, attributes_mask;
	uint64_t times[8];
	uint32_t rdev_major, rdev_minor, dev_major, dev_minor;
	uint64_t rest[14];
};
static_assert(sizeof(file_status) == 256 && __builtin_offsetof(file_status, rdev_major) == 128);
// What statx is asked for, and the attribute of a mount's root.
inline constexpr unsigned statx_type = 0x1, statx_mode = 0x2, statx_uid = 0x8, statx_gid = 0x10;
inline constexpr uint64_t statx_attr_mount_root = 0x2000;
