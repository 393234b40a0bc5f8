// Floating-point register images as host doubles, for the register commands.
#pragma once

#include <cstdint>

// The FPR image as a host double.
double FPR_ConvertFloat(uint64_t fpr);
