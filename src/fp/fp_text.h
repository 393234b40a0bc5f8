// Floating-point values as the register commands show them.
#pragma once

#include <cstdint>

// "+NaN"/"-NaN", "+INF"/"-INF", else "%G" of the value, in a static buffer that the next call
// overwrites.
const char *Prepare_FPDouble(double value);
// The FPR image as a host double.
double FPR_ConvertFloat(uint64_t fpr);
