#pragma once
#include <stdint.h>

uint64_t cstr_length(const char* s);
uint64_t cstr_index(const char* s, uint8_t c);
int32_t cstr_compare(const char* a, const char* b);
char* bytes_copy(char* dst, const char* src, uint64_t n);
