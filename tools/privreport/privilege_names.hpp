#pragma once
#include "mask.hpp"

// Capabilities by number, as the kernel numbers them (cap_41 and on for
// ones this table does not know yet), and the securebits.
extern const bit_names capability_names;
extern const bit_names securebit_names;
