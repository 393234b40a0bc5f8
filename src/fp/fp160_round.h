// Normalising, denormalising and rounding FP160 values, and narrowing them to the storage formats
// (double, single, half, quad) with their overflow, underflow and inexact marks.
//
// Rounding modes: 0 nearest-even, 1 toward zero, 2 toward +infinity, 3 toward -infinity, 4 to
// odd, 5 nearest with ties away from zero. GRX is guard*4 + round*2 + sticky, the sticky bit
// being any later significand bit or the inexact flag.
#pragma once

#include <cstdint>

#include "fp/fp160.h"

enum : int {
    FP_ROUND_NEAREST = 0,
    FP_ROUND_ZERO = 1,
    FP_ROUND_PLUS_INF = 2,
    FP_ROUND_MINUS_INF = 3,
    FP_ROUND_ODD = 4,
    FP_ROUND_NEAREST_AWAY = 5,
};

// Shifts the significand left until the integer bit is set (never below exponent 0); a zero
// significand gets exponent 0. Infinity and NaN are left alone; the headroom bit is kept.
void FP160_Normalize(FP160 *value);
// Shifts the significand right by n places and adds n to the exponent; shifted-out bits set
// tiny_loss and the inexact flag. n of 0 or less only changes the exponent.
void FP160_Denormalize(FP160 *value, int32_t n);

// 1 when the kept fraction is to be incremented.
int FP_Round_Incr_Fract(int mode, int sign, int lsb, int grx);

// Rounds the significand to the format (1 single, 4 half, any other code double): *exponent_out
// the target biased exponent, *fraction_out the fraction without the integer bit. A target
// exponent of 0 (unless force_normal) rounds to the denormal position. 1 when the rounding
// carried into the exponent.
int FP160_RoundSignificand(FP160 *value, int mode, int format, int32_t *exponent_out, uint64_t *fraction_out,
                           int force_normal);
// The same for formats 5 (quad), 6 (80-bit extended), 1 (single) and any other code (double),
// with a 128-bit fraction (low word first).
int FP160_RoundSignificand_QP(FP160 *value, int mode, int format, int32_t *exponent_out,
                              uint64_t *fraction_out, int force_normal);

// Double-precision word; precision 3 for a double result, 1 for a single result carried in
// double format (out-of-range exponents then wrap to 11 bits). The value is left unchanged.
void FP160_Convert64(FP160 *value, int mode, uint64_t *out, int precision);
// The same without the trace hook (the renderings of the trace use it).
void FP160_Convert64_Untraced(FP160 *value, int mode, uint64_t *out, int precision);
// Single-precision word; 1 when the result went through the denormal path (which leaves the value
// denormalised, rounded and normalised again).
int FP160_Convert32_rnd_mode(FP160 *value, int mode, uint32_t *out, int graph);
// raw: fields copied without rounding. flush (or graph): a denormal result becomes a signed zero.
uint32_t FP160_Convert32(FP160 *value, int mode, int flush, int graph, int raw);
// Half-precision twins of the two above.
int FP160_Convert16_rnd_mode(FP160 *value, int mode, uint16_t *out, int graph);
uint16_t FP160_Convert16H(FP160 *value, int mode, int flush, int graph, int raw);
// Half- and quad-precision twins of FP160_Convert64 (out of quad: low word first).
void FP160_Convert16(FP160 *value, int mode, uint16_t *out, int precision);
void FP160_Convert128(FP160 *value, int mode, uint64_t *out, int precision);
