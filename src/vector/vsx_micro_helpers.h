// Element helpers of the VSX instructions: the divide and square-root software tests, the
// reciprocal and reciprocal-square-root estimate workers, the ordered and unordered compare lanes
// with their comparison callbacks, the double round-to-integral element, the single maximum, and
// the CR field writes of the compares and tests.
//
// They are the instruction unit's vector helpers; they live with the vector unit because they run
// on the FP160 library, which the instruction-unit folder stands below.
#pragma once

#include <cstdint>

#include "processor/hooks/vsr_access.h"

struct IOPDesc;

// ---- software tests: the CR field 0b1 fg fe 0 ----
uint32_t vmicro_dp_div_test(IOPDesc *iop, const uint64_t *a, const uint64_t *b);
uint32_t vmicro_sp_div_test(IOPDesc *iop, uint32_t a, uint32_t b);
uint32_t vmicro_dp_sqrt_test(IOPDesc *iop, const uint64_t *b);
uint32_t vmicro_sp_sqrt_test(IOPDesc *iop, uint32_t b);

// ---- estimates: FP160 flags; FPSCR status recorded in the instruction's cache ----
uint32_t vmicro_dp_recip(IOPDesc *iop, uint64_t *out, const uint64_t *in);
uint32_t vmicro_dp_rsqrt(IOPDesc *iop, uint64_t *out, const uint64_t *in);
// Single-precision estimates of a double operand, delivered in double format.
uint32_t vmicro_sp_recip_dp(IOPDesc *iop, uint64_t *out, uint64_t in);
uint32_t vmicro_sp_rsqrt_dp(IOPDesc *iop, uint64_t *out, uint64_t in);
// Single in, single out.
uint32_t vmicro_sp_recip(IOPDesc *iop, uint32_t *out, uint32_t in);
uint32_t vmicro_sp_rsqrt(IOPDesc *iop, uint32_t *out, uint32_t in);

// ---- compares ----
// Ordered comparison callbacks on raw patterns (IEEE order: +0 equals -0; a NaN gives 0).
typedef int (*DpCompare)(uint64_t a, uint64_t b);
typedef int (*SpCompare)(uint32_t a, uint32_t b);
int xvcmpgtdp_compare(uint64_t a, uint64_t b);
int xvcmpgedp_compare(uint64_t a, uint64_t b);
int xvcmpgtsp_compare(uint32_t a, uint32_t b);
int xvcmpgesp_compare(uint32_t a, uint32_t b);
// One lane (doubleword 0..1 or word 0..3, big-endian) of an ordered compare: the lane of *result
// becomes all ones or zeros; NaN operands mark SNaN (and, with VE 0, invalid compare) or invalid
// compare with QNaN, and set VXSNAN / VXVC in the cache. Returns the lane's FP160 flags.
uint32_t private_dp_cmp_ord(int lane, IOPDesc *iop, DpCompare compare, Vec128 a, Vec128 b, Vec128 *result);
uint32_t private_sp_cmp_ord(int lane, IOPDesc *iop, SpCompare compare, Vec128 a, Vec128 b, Vec128 *result);
// One lane of an equality compare: a NaN gives zeros and only a signalling one is marked (VXSNAN).
uint32_t private_dp_cmp_unord(int lane, IOPDesc *iop, Vec128 a, Vec128 b, Vec128 *result);
uint32_t private_sp_cmp_unord(int lane, IOPDesc *iop, Vec128 a, Vec128 b, Vec128 *result);

// ---- rounding ----
// Doubleword `element` (0 or 1) of {high, low} rounded to an integral value in mode (0..3, 5) and
// delivered with FPSCR status; stored into result[1 - element] (result is low word first).
uint32_t VSX_Round_DP_To_Integral(int element, IOPDesc *iop, uint64_t low, uint64_t high, int mode,
                                  uint64_t *result);

// ---- maximum of two singles (the minimum is vsx_sp_min.h) ----
uint32_t vmicro_sp_max(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t b);

// ---- CR fields ----
// CR field n (0..7) := the low 4 bits of value, marked written (the CR result record in
// cycle-level-core mode).
void IOP_Set_CR_Field(IOPDesc *iop, uint32_t n, uint32_t value);
// CR6 of a vector compare: 0b1000 when every bit is 1, 0b0010 when every bit is 0, else 0.
void IOP_Set_CR6_From_Vector_Compare(IOPDesc *iop, uint64_t low, uint64_t high);
