// The emulation cores of the scalar floating-point instructions: each reads its operand FPRs,
// computes in FP160, delivers the result with its FPSCR status (limited to the row's FPSCR mask)
// and writes FRT unless an enabled exception suppresses it. A core returns 1 when the
// instruction was carried out (result written or not) and 0 when it was turned into an illegal
// instruction. The instruction routines around them (availability, CR1, the FPSCR summary) are
// in fp/fp_instructions.h.
#pragma once

#include <cstdint>

struct IOPDesc;

// Arithmetic: FRA + FRB, FRA - FRB, FRA x FRC, FRA / FRB, the fused multiply-adds, square root.
int core_fadd_emul(IOPDesc *iop);
int core_fadds_emul(IOPDesc *iop);
int core_fsub_emul(IOPDesc *iop);
int core_fsubs_emul(IOPDesc *iop);
int core_fmul_emul(IOPDesc *iop);
int core_fmuls_emul(IOPDesc *iop);
int core_fdiv_emul(IOPDesc *iop);
int core_fdivs_emul(IOPDesc *iop);
int core_fmadd_emul(IOPDesc *iop);
int core_fmadds_emul(IOPDesc *iop);
int core_fmsub_emul(IOPDesc *iop);
int core_fmsubs_emul(IOPDesc *iop);
int core_fnmadd_emul(IOPDesc *iop);
int core_fnmadds_emul(IOPDesc *iop);
int core_fnmsub_emul(IOPDesc *iop);
int core_fnmsubs_emul(IOPDesc *iop);
int core_fsqrt_emul(IOPDesc *iop);
int core_fsqrts_emul(IOPDesc *iop);
// fcmpo and fcmpu (told apart by the row): CR field BF and FPSCR[FPCC].
int emul_compare_fp(IOPDesc *iop);

// Conversions to integer (FRT gets the integer) and from integer.
int core_fctiw_emul(IOPDesc *iop);
int core_fctiwz_emul(IOPDesc *iop);
int core_fctiwu_emul(IOPDesc *iop);
int core_fctiwuz_emul(IOPDesc *iop);
int core_fctid_emul(IOPDesc *iop);
int core_fctidz_emul(IOPDesc *iop);
int core_fctidu_emul(IOPDesc *iop);
int core_fctiduz_emul(IOPDesc *iop);
int core_fcfid_emul(IOPDesc *iop);
int core_fcfidu_emul(IOPDesc *iop);
int core_fcfids_emul(IOPDesc *iop);
int core_fcfidus_emul(IOPDesc *iop);
// Rounding to single precision and to an integral value.
int core_frsp_emul(IOPDesc *iop);
int core_frin_emul(IOPDesc *iop);
int core_friz_emul(IOPDesc *iop);
int core_frip_emul(IOPDesc *iop);
int core_frim_emul(IOPDesc *iop);
// The divide and square-root tests: CR field BF, FPSCR unchanged.
int core_ftdiv_emul(IOPDesc *iop);
int core_ftsqrt_emul(IOPDesc *iop);
// Estimates.
int core_fre_emul(IOPDesc *iop);
int core_fres_emul(IOPDesc *iop);
int core_frsqrte_emul(IOPDesc *iop);
int core_frsqrtes_emul(IOPDesc *iop);
int core_fexptes_emul(IOPDesc *iop);
int core_floges_emul(IOPDesc *iop);

// The bit-exact single-precision reciprocal and reciprocal-square-root estimates of the vector
// unit. one_over_x takes finite non-zero values other than +-2^127 (the caller handles the rest);
// one_over_sqrt_x takes any value.
uint32_t one_over_x(uint32_t word);
uint32_t one_over_sqrt_x(uint32_t word);
