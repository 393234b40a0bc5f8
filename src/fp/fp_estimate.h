// Hardware-exact estimates: the reciprocal and reciprocal-square-root estimates of fre, fres,
// frsqrte and frsqrtes (table interpolation or table lookup by processor variant, exceptional
// results, delivery with FPSCR status), their 32-entry single-precision forms into FP160, the
// rounding of an estimate significand, the truncation to the processor's estimate precision, and
// the piecewise-linear 2^x and log2 estimates of the vector unit.
#pragma once

#include <cstdint>

#include "fp/fp160.h"

struct IOPDesc;
struct ThreadState;

// Estimates of 1/x and 1/sqrt(x) for a double operand, delivered into *out in double format (a
// single-precision result when single is set); *flags_out gets the result's FP160 flags. Returns
// 0 when an enabled exception suppresses the result.
int FPEst_Reciprocal(IOPDesc *iop, const uint64_t *operand, uint64_t *out, uint32_t *flags_out, int single,
                     const char *label);
int FPEst_RecipSqrt(IOPDesc *iop, const uint64_t *operand, uint64_t *out, uint32_t *flags_out, int single,
                    const char *label);

// Estimates of the 32-entry tables into an FP160 value. The reciprocal ones return the bit below
// the estimate, the reciprocal-square-root ones 1 when estimate bits were dropped.
uint32_t FP160_Reciprocal_Estimate_SP(uint32_t word, FP160 *value);
uint32_t FP160_Reciprocal_Estimate_DP(uint64_t word, FP160 *value);
uint32_t FP160_Reciprocal_Sqrt_Estimate_SP(uint32_t word, FP160 *value);
uint32_t FP160_Reciprocal_Sqrt_Estimate_DP(uint64_t word, FP160 *value, int single);

// Rounds a 53-bit significand (implicit bit 52) to kept fraction bits in the mode (0, 2, 3; any
// other truncates); a carry beyond bit 52 raises *exponent. *inexact is set when bits were dropped.
void FPEst_Round(int sign, int32_t *exponent, uint64_t *fraction, int kept, int mode, int *inexact);

// Clears the bits of an estimate beyond the processor's "floating_point_estimate_precision";
// *mask gets the cleared bits.
void Adjust_For_Floating_Point_Estimate_Precision(ThreadState *thread, uint64_t *value, uint64_t *mask);

// Single-precision 2^x and log2 estimates (graph: the graphics variants); log2e is the log2 core
// on the magnitude.
uint32_t FP_Compute_EXPTES(uint32_t word, int graph);
uint32_t FP_Compute_LOGES(uint32_t word, int graph);
uint32_t log2e(uint32_t word);
