#pragma once
#include <stdint.h>

struct limit_entry {
	int32_t id;
	const char* name;
	const char* description;
};

extern const limit_entry limit_table[12];
// The names reported, in report order, ended by a null pointer.
extern const char* const limit_names[13];

int32_t limit_id_by_name(const char* name);
const char* limit_description_by_id(int32_t id);
const char* limit_name_by_id(int32_t id);
