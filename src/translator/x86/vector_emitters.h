// The vector (VMX) and vector-scalar (VSX) emitters: whole registers move between the thread
// state and the per-instruction XMM pool with movdqu, element-wise operations map onto SSE2 (and
// SSSE3 pshufb for vperm), and what SSE2 lacks is unrolled per element at translation time.
// Memory accesses convert between the page's byte order and the register layout (doubleword 0 in
// the high half). Rounding follows FPSCR[RN] as loaded at entry; no FPSCR status bit is set and
// VSCR[SAT] is only ever ORed in.
#pragma once

struct xframe;

// Helpers: doubleword 1 of VSR n into a fresh XMM register; word w (ISA numbering) of VSR n or
// VR n to and from a general register; VSCR |= flag (through scratch).
int emit_vsr_dw1_to_xmm(xframe *x, int n);
void emit_vsr_set_word(xframe *x, int n, int w, int reg);
void emit_vsr_get_word(xframe *x, int reg, int n, int w);
void emit_vr_get_word(xframe *x, int reg, int n, int w);
void emit_vscr_or(xframe *x, int flag, int scratch);

// VMX loads, stores and lvsl (EA = GPR[RB] + GPR[RA], or GPR[RB] when RA is 0).
void jit_lvx(xframe *x, int vrt, int ra, int rb);
void jit_lvxl(xframe *x, int vrt, int ra, int rb);
void jit_stvx(xframe *x, int vrs, int ra, int rb);
void jit_stvxl(xframe *x, int vrs, int ra, int rb);
void jit_lvsl(xframe *x, int vrt, int ra, int rb);

// Permutes, splats, selects and shifts by bytes.
void jit_vperm(xframe *x, int vrt, int vra, int vrb, int vrc);
void jit_vsel(xframe *x, int vrt, int vra, int vrb, int vrc);
void jit_vsldoi(xframe *x, int vrt, int vra, int vrb, int shb);
void jit_vsplth(xframe *x, int vrt, int uim, int vrb);
void jit_vspltw(xframe *x, int vrt, int uim, int vrb);
void jit_vspltish(xframe *x, int vrt, int sim);
void jit_vspltisw(xframe *x, int vrt, int sim);

// Integer and single-precision element operations.
void jit_vand(xframe *x, int vrt, int vra, int vrb);
void jit_vxor(xframe *x, int vrt, int vra, int vrb);
void jit_vadduwm(xframe *x, int vrt, int vra, int vrb);
void jit_vadduhs(xframe *x, int vrt, int vra, int vrb);
void jit_vsubuhs(xframe *x, int vrt, int vra, int vrb);
void jit_vctuxs(xframe *x, int vrt, int uim, int vrb);
void jit_vmaxuh(xframe *x, int vrt, int vra, int vrb);
void jit_vmaxsw(xframe *x, int vrt, int vra, int vrb);
void jit_vsrw(xframe *x, int vrt, int vra, int vrb);
void jit_vaddfp(xframe *x, int vrt, int vra, int vrb);
void jit_vmaddfp(xframe *x, int vrt, int vra, int vrb, int vrc);
void jit_vnmsubfp(xframe *x, int vrt, int vra, int vrb, int vrc);
void jit_vcmpequw(xframe *x, int vrt, int vra, int vrb, int record);
void jit_vcmpgtfp(xframe *x, int vrt, int vra, int vrb, int record);
void jit_vrefp(xframe *x, int vrt, int vrb);

// VSX loads and stores (6-bit register numbers).
void jit_lxsdx(xframe *x, int xt, int ra, int rb, int splat);
void jit_lxvd2x(xframe *x, int xt, int ra, int rb);
void jit_lxvd2ux(xframe *x, int xt, int ra, int rb);
void jit_lxvw4x(xframe *x, int xt, int ra, int rb);
void jit_stxsdx(xframe *x, int xs, int ra, int rb);
void jit_stxvd2x(xframe *x, int xs, int ra, int rb);
void jit_stxvd2ux(xframe *x, int xs, int ra, int rb);
void jit_stxvw4x(xframe *x, int xs, int ra, int rb);

// VSX double precision, scalar (vector 0: doubleword 0 only) or vector.
void jit_xadddp(xframe *x, int xt, int xa, int xb, int vector);
void jit_xsubdp(xframe *x, int xt, int xa, int xb, int vector);
void jit_xmuldp(xframe *x, int xt, int xa, int xb, int vector);
void jit_xsdivdp(xframe *x, int xt, int xa, int xb);
// XA x XB +/- XC on the x87 unit.
void jit_xmadddp(xframe *x, int xt, int xa, int xb, int xc, int vector);
void jit_xmsubdp(xframe *x, int xt, int xa, int xb, int xc, int vector);
void jit_xnmadddp(xframe *x, int xt, int xa, int xb, int xc, int vector);
void jit_xnmsubdp(xframe *x, int xt, int xa, int xb, int xc, int vector);
void jit_xabsdp(xframe *x, int xt, int xb, int vector);
void jit_xsnegdp(xframe *x, int xt, int xb);
void jit_xvcpsgndp(xframe *x, int xt, int xa, int xb);
// Ordered compares only: an unordered one leaves through "invalid".
void jit_xscmpudp(xframe *x, int bf, int xa, int xb);
void jit_xxpermdi(xframe *x, int xt, int xa, int xb, int dm);
void jit_xxsldwi(xframe *x, int xt, int xa, int xb, int shw);
void jit_xxspltw(xframe *x, int xt, int xb, int uim);
void jit_xxsel(xframe *x, int xt, int xa, int xb, int xc);
