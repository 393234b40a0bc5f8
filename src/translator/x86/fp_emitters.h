// The scalar floating-point emitters: guest FP arithmetic, conversions, moves, compares, selects
// and single-precision loads and stores as host SSE2 and x87 code in the rounding mode the frame
// prologue loaded from FPSCR[RN]. Results that set FPRF only record the target and value (the
// pending FPRF record, classified after the run or at mffs); no FPSCR exception or status bit is
// ever set, and invalid operations give the host's default NaN. Every emitter writes FPR n as
// doubleword 0 of VSR n and clears doubleword 1.
#pragma once

struct xframe;

// FRT = FRA op FRB (FRC for fmul); single: rounded to single and widened back.
void jit_fadd(xframe *x, int frt, int fra, int frb, int single);
void jit_fsub(xframe *x, int frt, int fra, int frb, int single);
void jit_fmul(xframe *x, int frt, int fra, int frc, int single);
void jit_fdiv(xframe *x, int frt, int fra, int frb);
void jit_fsqrt(xframe *x, int frt, int frb);
// 1.0 / FRB, correctly rounded.
void jit_fre(xframe *x, int frt, int frb);
void jit_frsp(xframe *x, int frt, int frb);
void jit_fcfid(xframe *x, int frt, int frb);
// Truncating conversions; NaN and out-of-range values give the host's integer indefinite.
void jit_fctiwz(xframe *x, int frt, int frb);
void jit_fctidz(xframe *x, int frt, int frb);
// FRA x FRC +/- FRB on the x87 unit (fnmsub: FRB - FRA x FRC).
void jit_fmadd(xframe *x, int frt, int fra, int frb, int frc, int single);
void jit_fmsub(xframe *x, int frt, int fra, int frb, int frc, int single);
void jit_fnmadd(xframe *x, int frt, int fra, int frb, int frc, int single);
void jit_fnmsub(xframe *x, int frt, int fra, int frb, int frc, int single);
// CR field bf from an unordered compare; FPRF becomes the class of FRA - FRB.
void jit_fcmpu(xframe *x, int bf, int fra, int frb);
// FRT = 0.0 <= FRA ? FRC : FRB.
void jit_fsel(xframe *x, int frt, int fra, int frb, int frc);
// Bit operations on the sign through rax and r9.
void jit_fabs(xframe *x, int frt, int frb);
void jit_fnabs(xframe *x, int frt, int frb);
void jit_fneg(xframe *x, int frt, int frb);
void jit_fmr(xframe *x, int frt, int frb);
// FRT = the FPSCR's low word, after the pending FPRF record is applied.
void jit_mffs(xframe *x, int frt);
// Single-precision load from the EA in r9 (word alignment checked by the caller) and store to the
// host address in addr (after the write translation).
void jit_lfs(xframe *x, int frt);
void jit_stfs(xframe *x, int addr, int frs);
