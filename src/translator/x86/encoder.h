// The x86-64 instruction encoder: emit_insn turns one filled-in insn_template into the bytes of one
// instruction on a sink, the operand builders fill templates for [base + disp32],
// [base + index * scale + disp32], [base] and [base + index], and the fixed emitters produce the
// exact encodings of the instructions translated code uses again and again (moves, immediates,
// additions, jumps, byte swaps, pushes and pops, barriers). The jit_ forms take the xframe under
// translation and use its machine width. Legacy prefixes go before emit_insn and immediates after
// it, both appended by the caller.
#pragma once

#include <cstdint>

#include "translator/x86/sink.h"

struct xframe;

// Host registers by encoding number; XMM registers use the same numbers.
enum : int {
    HOST_RAX = 0,
    HOST_RCX = 1,
    HOST_RDX = 2,
    HOST_RBX = 3,
    HOST_RSP = 4,
    HOST_RBP = 5,
    HOST_RSI = 6,
    HOST_RDI = 7,
    HOST_R8 = 8,
    HOST_R9 = 9,
    HOST_R10 = 10,
    HOST_R11 = 11,
    HOST_R12 = 12,
    HOST_R13 = 13,
    HOST_R14 = 14,
    HOST_R15 = 15,
};

// The low nibble of a REX prefix.
enum : uint8_t { REX_B = 1, REX_X = 2, REX_R = 4, REX_W = 8 };

// One instruction to encode; start from a zeroed template (the builders only OR into rex).
struct insn_template {
    uint8_t opcode[4];
    int32_t last_opcode; // index of the last opcode byte emitted; negative: none
    uint8_t rex;
    int32_t has_modrm;
    uint8_t modrm;
    int32_t has_sib;
    uint8_t sib;
    int32_t disp_size; // 1: 8-bit, 4: 32-bit, anything else: none
    int32_t disp;
};

// REX (when any bit is set), opcode bytes, ModRM, SIB, displacement. Checks nothing.
void emit_insn(const insn_template *t, sink *s);

// [base + disp32] with a 32-bit displacement always (mod 10); SIB 0x24 for an rsp or r12 base.
void set_modrm_base_disp32(insn_template *t, int reg, int32_t disp32, int base, int wide);
// [base + index * 2^scale + disp32]; index 4 means none.
void set_modrm_sib_disp32(insn_template *t, int reg, int32_t disp32, int scale, int index, int base,
                          int wide);
// [base] without displacement: mod 00, or an 8-bit zero displacement for an rbp/r13 base and
// SIB 0x24 with it for an rsp/r12 base.
void set_modrm_base_indirect(insn_template *t, int reg, int base, int wide);
// [base + index] without displacement (scale 1); an rbp/r13 base takes an 8-bit zero displacement.
void set_modrm_base_index(insn_template *t, int reg, int base, int index, int wide);

// Fixed emitters (register numbers 0 to 15).
void emit_imm32(sink *s, uint32_t value);
void emit_mov_imm64(sink *s, int r, uint64_t imm64);
void emit_mov_imm32(sink *s, int r, uint32_t imm32, int wide);
void emit_add_imm32(sink *s, int r, uint32_t imm32, int wide);
void emit_add_imm8(sink *s, int r, int8_t imm8, int wide);
void emit_and_imm32(sink *s, int r, uint32_t imm32, int wide);
void emit_cmp_imm32(sink *s, int r, uint32_t imm32, int wide);
void emit_mov_reg(sink *s, int dst, int src, int wide);
void emit_or_reg(sink *s, int dst, int src, int wide);
void emit_add_reg(sink *s, int dst, int src, int wide);
void emit_sub_reg(sink *s, int dst, int src, int wide);
// and dst, src; not r.
void emit_and_reg(sink *s, int dst, int src, int wide);
void emit_not_reg(sink *s, int r, int wide);
void emit_mov_load(sink *s, int r, int32_t disp32, int base, int wide);
void emit_mov_store(sink *s, int32_t disp32, int base, int r, int wide);
void emit_mov_store_imm32(sink *s, int32_t disp32, int base, uint32_t imm32, int wide);
// Conditional load from the thread state: cmovcc r, [rbx + disp32] (cc is the x86 condition 0-15).
void emit_cmov_load(sink *s, int cc, int r, int32_t disp32, int wide);
void emit_bswap(sink *s, int r, int wide);
// xchg al, ah: swaps the two low bytes of rax.
void emit_bswap16(sink *s);
void emit_push(sink *s, int r);
void emit_pop(sink *s, int r);
// jmp rel32 when the target is within reach of the 5-byte form, else mov rax, target; jmp rax.
void emit_jmp(sink *s, uint64_t target);
// Writes (cursor - at) into the four bytes that end at host address at (a forward branch's rel32).
void resolve_reference_here(sink *s, uint64_t at);

// The same in the xframe's machine width.
void jit_get_uimm64(xframe *x, int r, uint64_t imm64);
void jit_get_simm32(xframe *x, int r, int32_t imm32);
void jit_get_simm16(xframe *x, int r, int16_t imm16);
void jit_add_simm32(xframe *x, int r, int32_t imm32);
// or r, imm16 with the immediate zero-extended to 32 bits.
void jit_or_uimm16(xframe *x, int r, uint16_t imm16);
// t = imm32 (zero-extended); or r, t.
void jit_or_uimm32(xframe *x, int r, uint32_t imm32, int t);
// rax = imm64; and r, rax.
void jit_and_uimm64(xframe *x, int r, uint64_t imm64);
void jit_get_zero(xframe *x, int r);
void jit_rotate_left_imm(xframe *x, int r, uint8_t count, int wide);
void jit_mov(xframe *x, int dst, int src);
void jit_add_temps(xframe *x, int dst, int src);
// movsxd r, r32.
void jit_extend_32_to_64(xframe *x, int r);
// jmp r14: continue at the guest PC in rsi through the fetch routine.
void jit_gotoi(xframe *x);
void jit_store_barrier(xframe *x);
void jit_load_barrier(xframe *x);
void jit_isync(xframe *x);
// inc qword [counter cell] through rdx, only when the trace counter is active.
void emit_counter_increment(xframe *x, int counter);
