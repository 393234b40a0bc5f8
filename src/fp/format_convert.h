// Bit-level conversions between the stored formats: the architected single-precision load and
// store conversions of the floating-point loads and stores, their half-precision counterparts,
// field selection, flushing single-precision denormals, and an FPR image as a host double.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// The double image of a single-precision word, exact: normal numbers re-biased, zero, infinity and
// NaN placed bit for bit (payloads survive, unquieted), denormals normalised.
uint64_t ConvSPtoDP(uint32_t word);
uint64_t load_single_float(IOPDesc *iop, uint32_t word);

// The single-precision word of a double: zero and doubles above the single denormal range by
// field selection (no rounding), the single denormal range by truncating denormalisation, smaller
// values squeezed into single range (processor option SQUISH_DP_INTO_SP) or rounded through FP160
// with the mode; flush turns a denormal result into a signed zero.
uint32_t ConvDPtoSP(ThreadState *thread, uint64_t dw, int mode, int flush);
// The same without the FP160 path: smaller values give a signed zero.
uint32_t ConvDPtoSP_NS(ThreadState *thread, uint64_t dw);
// The store conversion of an instruction: mode 0 for a row of the vector class, else FPSCR[RN];
// denormal results of the FP160 path are flushed.
uint32_t store_single_float(IOPDesc *iop, uint64_t dw);
// Sign, double bits 4..11 as the exponent, bits 12..34 as the fraction.
uint32_t Make_DP_Fit_in_SP(uint64_t dw);
// A double that is a single-precision denormal becomes a zero of its sign.
void forceDenZero(ThreadState *thread, uint64_t *dw);

// The FPR image as a host double, for display.
double FPR_ConvertFloat(uint64_t dw);

// Half-precision counterparts of the conversions above.
uint64_t ConvHPtoDP(uint16_t half);
uint32_t ConvHPtoSP(uint16_t half);
uint16_t ConvDPtoHP(uint64_t dw, int mode, int flush);
uint16_t ConvSPtoHP(uint32_t word, int mode, int flush);

// An exported entry point that does nothing.
extern "C" int load_single_floating_point_number_host(void);
