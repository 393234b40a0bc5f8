// The element workers of the VSX fused multiply-add instructions: ±(A × C ± B) with one rounding.
// A is the multiplier, C the multiplicand, B the addend; the argument order is A, C, B. NaN
// operands settle the result in the order A, B, C (the SNaN flag when any of them signals); a NaN
// addend with A × C = 0 × ∞ also marks invalid (zero times infinity). Otherwise the exact product
// and an unrounded sum go through one rounding step, which records the instruction's FPSCR status
// in its FPSCR cache. The negated forms negate the rounded result (a NaN keeps its sign) and set
// FPRF from it. Each returns the FP160 exception flags.
//
// The precision forms are those of the add/subtract workers (vsx_arith_micro.h). The out value is
// written in every case but one: a negated single or double-format single form whose rounding
// refused the result (an enabled invalid operation) leaves it alone.
#pragma once

#include <cstdint>

struct IOPDesc;

uint32_t vmicro_dp_madd(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *c, const uint64_t *b,
                        int mode);
uint32_t vmicro_dp_msub(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *c, const uint64_t *b,
                        int mode);
uint32_t vmicro_dp_nmadd(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *c, const uint64_t *b,
                         int mode);
uint32_t vmicro_dp_nmsub(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *c, const uint64_t *b,
                         int mode);

uint32_t vmicro_sp_madd(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t c, uint32_t b, int mode);
uint32_t vmicro_sp_msub(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t c, uint32_t b, int mode);
uint32_t vmicro_sp_nmadd(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t c, uint32_t b, int mode);
uint32_t vmicro_sp_nmsub(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t c, uint32_t b, int mode);

uint32_t vmicro_sp_madd_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t c, uint64_t b, int mode);
uint32_t vmicro_sp_msub_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t c, uint64_t b, int mode);
uint32_t vmicro_sp_nmadd_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t c, uint64_t b, int mode);
uint32_t vmicro_sp_nmsub_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t c, uint64_t b, int mode);
