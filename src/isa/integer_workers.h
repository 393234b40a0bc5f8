// The workers (core_<name>) of the logical, count, extend, rotate, shift, multiply and divide
// instructions, which the cycle-level core's cracked and micro-coded forms call as well, the CR0
// entries of the divides, and the routines of these families that no instruction-table row names.
#pragma once

#include <cstdint>

struct IOPDesc;

// clang-format off
#define QUARN_LOGICAL_WORKERS(X)                                                                             \
    X(and) X(and_dot) X(andc) X(andc_dot) X(or) X(or_dot) X(orc) X(orc_dot) X(xor) X(xor_dot) X(nor)         \
    X(nor_dot) X(nand) X(nand_dot) X(eqv) X(eqv_dot) X(andi_dot) X(andis_dot) X(ori) X(oris) X(xori)         \
    X(xoris) X(cntlzw) X(cntlzw_dot) X(cntlzd) X(cntlzd_dot) X(extsb) X(extsb_dot) X(extsh) X(extsh_dot)     \
    X(extsw) X(extsw_dot) X(popcntb) X(popcnth) X(popcntw) X(popcntd) X(prtyw) X(prtyd) X(bperm) X(cmpb)

#define QUARN_ROTATE_WORKERS(X)                                                                              \
    X(rlwinm) X(rlwinm_dot) X(rlwnm) X(rlwnm_dot) X(rlwimi) X(rlwimi_dot) X(rldicl) X(rldicl_dot) X(rldicr)  \
    X(rldicr_dot) X(rldic) X(rldic_dot) X(rldimi) X(rldimi_dot) X(rldcl) X(rldcl_dot) X(rldcr) X(rldcr_dot)  \
    X(slw) X(slw_dot) X(srw) X(srw_dot) X(sraw) X(sraw_dot) X(srawi) X(srawi_dot) X(sld) X(sld_dot) X(srd)    \
    X(srd_dot) X(srad) X(srad_dot) X(sradi) X(sradi_dot)

#define QUARN_MULTIPLY_WORKERS(X)                                                                            \
    X(mulli) X(mullw) X(mullw_dot) X(mullwo) X(mullwo_dot) X(mulhw) X(mulhw_dot) X(mulhwu) X(mulhwu_dot)     \
    X(mulld) X(mulld_dot) X(mulldo) X(mulldo_dot) X(mulhd) X(mulhd_dot) X(mulhdu) X(mulhdu_dot)

#define QUARN_DIVIDE_WORKERS(X)                                                                              \
    X(divw) X(divw_dot) X(divwo) X(divwo_dot) X(divwu) X(divwu_dot) X(divwuo) X(divwuo_dot) X(divd)          \
    X(divd_dot) X(divdo) X(divdo_dot) X(divdu) X(divdu_dot) X(divduo) X(divduo_dot) X(divwe) X(divwe_dot)    \
    X(divweo) X(divweo_dot) X(divweu) X(divweu_dot) X(divweuo) X(divweuo_dot) X(divde) X(divde_dot)          \
    X(divdeo) X(divdeo_dot) X(divdeu) X(divdeu_dot) X(divdeuo) X(divdeuo_dot)

// clang-format on

#define QUARN_DECLARE_INTEGER_WORKER(name) int core_##name(IOPDesc *iop);
QUARN_LOGICAL_WORKERS(QUARN_DECLARE_INTEGER_WORKER)
QUARN_ROTATE_WORKERS(QUARN_DECLARE_INTEGER_WORKER)
QUARN_MULTIPLY_WORKERS(QUARN_DECLARE_INTEGER_WORKER)
QUARN_DIVIDE_WORKERS(QUARN_DECLARE_INTEGER_WORKER)
#undef QUARN_DECLARE_INTEGER_WORKER

// The halfword population count: each halfword of RA := the one bits of that halfword of RS.
int semantic_popcnth(IOPDesc *iop);

// CR0 of the word and doubleword divide record forms: SET_CR0 with the same arguments.
void SET_CR0_For_DIVW(IOPDesc *iop, uint64_t value, uint64_t mask);
void SET_CR0_For_DIVD(IOPDesc *iop, uint64_t value, uint64_t mask);
