// The element workers of the VSX add, subtract, multiply and divide instructions. One call
// computes one element: the operands are widened exactly into FP160, a NaN operand settles the
// result by the unit's precedence (A before B; the SNaN flag when either signals), otherwise the
// library computes the exact (or sticky) result, and one rounding step delivers it and records the
// instruction's FPSCR status in its FPSCR cache (which the caller has opened). Each returns the
// FP160 exception flags; the out value is always written.
//
// Three precision forms: double (doubles in and out), single (single words in and out) and the
// double-format single form (double operands used at full precision, the result rounded once to
// single precision and delivered in double format). mode is FPSCR[RN] (0 nearest, 1 toward zero,
// 2 toward +infinity, 3 toward -infinity).
#pragma once

#include <cstdint>

struct IOPDesc;

uint32_t vmicro_dp_add(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *b, int mode);
uint32_t vmicro_dp_sub(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *b, int mode);
uint32_t vmicro_dp_mul(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *b, int mode);
uint32_t vmicro_dp_div(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *b, int mode);

uint32_t vmicro_sp_add(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t b, int mode);
uint32_t vmicro_sp_sub(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t b, int mode);
uint32_t vmicro_sp_mul(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t b, int mode);
uint32_t vmicro_sp_div(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t b, int mode);

uint32_t vmicro_sp_add_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t b, int mode);
uint32_t vmicro_sp_sub_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t b, int mode);
uint32_t vmicro_sp_mul_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t b, int mode);
uint32_t vmicro_sp_div_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t b, int mode);
