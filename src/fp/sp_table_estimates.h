// The bit-exact single-precision reciprocal and reciprocal-square-root estimates of the vector
// unit, from the 32-entry estimate tables.
#pragma once

#include <cstdint>

// 1/x for a finite non-zero single (the caller handles zeros, infinities, NaNs and +-2^126).
uint32_t one_over_x(uint32_t s);
// 1/sqrt(x) for any single, special values included.
uint32_t one_over_sqrt_x(uint32_t s);
