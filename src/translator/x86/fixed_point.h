// The fixed-point emitters: additions and subtractions with and without carry, multiplication,
// division, the logical operations, shifts, rotate-and-mask, sign extension, count leading zeros,
// the compares and the select instructions. Each loads its guest operands from the thread state,
// computes with a few host instructions and stores the result; XER[CA] and CR fields come from the
// host flags. Zero divisors and the forms that bit-accurate mode reserves leave to the interpreter.
#pragma once

#include <cstdint>

struct xframe;

// CR field f from the host flags of the instruction emitted just before (signed or unsigned
// comparison semantics); in tags-active mode also the XER condition-code bytes. Clobbers rax.
void emit_set_cr_field(xframe *x, int f, int is_unsigned);
// The tail of adde and subfe: rax + GPR[RB] + CA into RT, CA, and CR0 with the record flag.
void emit_add_extended(xframe *x, int rt, int rb, int record);

void jit_add(xframe *x, int rt, int ra, int rb, int record);
void jit_addc(xframe *x, int rt, int ra, int rb, int record);
void jit_adde(xframe *x, int rt, int ra, int rb, int record);
void jit_subfe(xframe *x, int rt, int ra, int rb, int record);
void jit_addi(xframe *x, int rt, int ra, int32_t d);
void jit_addic(xframe *x, int rt, int ra, int32_t d, int record);
void jit_addme(xframe *x, int rt, int ra, int record);
void jit_addze(xframe *x, int rt, int ra, int record);
void jit_subf(xframe *x, int rt, int ra, int rb, int record);
void jit_subfc(xframe *x, int rt, int ra, int rb, int record);
void jit_subfze(xframe *x, int rt, int ra, int record);
void jit_subfic(xframe *x, int rt, int ra, int32_t d);
void jit_neg(xframe *x, int rt, int ra, int record);
void jit_mullw(xframe *x, int rt, int ra, int rb, int record);
void jit_mulld(xframe *x, int rt, int ra, int rb, int record);
void jit_mulhd(xframe *x, int rt, int ra, int rb);
void jit_mulhdu(xframe *x, int rt, int ra, int rb);
void jit_mulhw(xframe *x, int rt, int ra, int rb);
void jit_mulhwu(xframe *x, int rt, int ra, int rb);
void jit_mulli(xframe *x, int rt, int ra, int32_t d);
void jit_divw(xframe *x, int rt, int ra, int rb);
void jit_divwu(xframe *x, int rt, int ra, int rb);
void jit_divd(xframe *x, int rt, int ra, int rb, int record);
void jit_divdu(xframe *x, int rt, int ra, int rb, int record);
void jit_divduo(xframe *x, int rt, int ra, int rb, int record);
void jit_and(xframe *x, int ra, int rs, int rb, int record);
void jit_or(xframe *x, int ra, int rs, int rb, int record);
void jit_xor(xframe *x, int ra, int rs, int rb, int record);
void jit_andc(xframe *x, int ra, int rs, int rb, int record);
void jit_orc(xframe *x, int ra, int rs, int rb, int record);
void jit_nand(xframe *x, int ra, int rs, int rb, int record);
void jit_nor(xframe *x, int ra, int rs, int rb, int record);
void jit_eqv(xframe *x, int ra, int rs, int rb, int record);
void jit_andi32_dot(xframe *x, int ra, int rs, uint32_t imm);
void jit_xori32(xframe *x, int ra, int rs, uint32_t imm);
void jit_slw(xframe *x, int ra, int rs, int rb, int record);
void jit_srw(xframe *x, int ra, int rs, int rb, int record);
void jit_sld(xframe *x, int ra, int rs, int rb, int record);
void jit_srd(xframe *x, int ra, int rs, int rb, int record);
void jit_sraw(xframe *x, int ra, int rs, int rb, int record);
void jit_srad(xframe *x, int ra, int rs, int rb, int record);
void jit_srawi(xframe *x, int ra, int rs, int sh, int record);
void jit_sradi(xframe *x, int ra, int rs, int sh, int record);
void jit_rlwinm(xframe *x, int ra, int rs, int sh, int mb, int me, int record);
void jit_rlwnm(xframe *x, int ra, int rs, int rb, int mb, int me, int record);
void jit_rlwimi(xframe *x, int ra, int rs, int sh, int mb, int me, int record);
void jit_rldic(xframe *x, int ra, int rs, int sh, int mb, int record);
void jit_rldicl(xframe *x, int ra, int rs, int sh, int mb, int record);
void jit_rldicr(xframe *x, int ra, int rs, int sh, int me, int record);
void jit_rldimi(xframe *x, int ra, int rs, int sh, int mb, int record);
void jit_rldcl(xframe *x, int ra, int rs, int rb, int mb);
void jit_rldcr(xframe *x, int ra, int rs, int rb, int me, int record);
void jit_extsb(xframe *x, int ra, int rs, int record);
void jit_extsh(xframe *x, int ra, int rs, int record);
void jit_extsw(xframe *x, int ra, int rs, int record);
void jit_cntlzw(xframe *x, int ra, int rs);
void jit_cntlzd(xframe *x, int ra, int rs);
// Compares of host registers a and b already loaded (32-bit when L is 0), and of GPR[RA] with D.
void jit_cmp(xframe *x, int bf, int a, int b, int logical, int l);
void jit_cmpi(xframe *x, int bf, int ra, int32_t d, int logical, int l);
// The select instructions of tags-active mode: RT = first operand when XER bit c is 1, else the
// second (immediates already sign-extended).
void jit_selii(xframe *x, int rt, int32_t a, int32_t b, int c, int record);
void jit_selir(xframe *x, int rt, int32_t a, int rb, int c, int record);
void jit_selri(xframe *x, int rt, int ra, int32_t b, int c, int record);
void jit_selrr(xframe *x, int rt, int ra, int rb, int c, int record);
