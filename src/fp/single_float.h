// Conversions between the single-precision memory format and the 64-bit double-precision image an
// FPR holds, as the floating-point loads and stores make them.
#pragma once

#include <cstdint>

struct IOPDesc;

// The register image of a single-precision word: exact (normal numbers re-biased, zero, infinity
// and NaN placed bit for bit so that NaN payloads survive, denormals normalised); no FPSCR effect.
uint64_t load_single_float(IOPDesc *iop, uint32_t word);
// The single-precision word of a register image, rounded with the FPSCR rounding mode (FPSCR & 3,
// read with its triggers; round-to-nearest for a row with class bit 63). Infinities, zeros and
// NaNs keep their sign and payload bits.
uint32_t store_single_float(IOPDesc *iop, uint64_t image);
// The conversion itself with an explicit rounding mode (0 nearest, 1 toward zero, 2 toward +inf,
// 3 toward -inf).
uint32_t ConvDPtoSP(uint64_t image, int rounding);
