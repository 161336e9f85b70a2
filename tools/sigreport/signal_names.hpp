#pragma once
#include "mask.hpp"

// The platform's signals by number, from 1; the real-time ones have no
// name and print as SIG and their number.
extern const bit_names signal_names;
