// FPSCR as text, for register displays and traces.
// Declared here for the floors that call it; defined by the floating-point unit
// (fp/fpscr_text.cpp).
#pragma once

#include <cstdint>

// "0x%016lX" of the value, then the names of the set bits of its low 32 bits from the most
// significant down (" FX", " FEX", ...) and the rounding mode when not 0 (" RN(0)", " RN(+)",
// " RN(-)"), in one static buffer that the next call overwrites.
const char *Prepare_FPSCR(uint64_t fpscr);
