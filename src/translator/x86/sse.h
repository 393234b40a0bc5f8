// Encodings of the SSE and x87 instructions the floating-point and vector emitters use: XMM
// register-register forms with an optional immediate, XMM and x87 accesses of the thread state
// ([rbx + disp32]) or of a host address register, moves between XMM and general registers, and
// the immediate shifts of whole XMM registers.
#pragma once

#include <cstdint>

#include "translator/x86/sink.h"

// Mandatory prefixes (0: none).
enum : uint8_t { SSE_NP = 0x00, SSE_66 = 0x66, SSE_F2 = 0xF2, SSE_F3 = 0xF3 };

// prefix [REX] 0f op ModRM(11, reg, rm); with op2 not negative the opcode is 0f op op2 (0f 38 xx).
void emit_sse_rr(sink *s, uint8_t prefix, uint8_t op, int reg, int rm, int rexw = 0, int op2 = -1);
// The same followed by an 8-bit immediate.
void emit_sse_rr_ib(sink *s, uint8_t prefix, uint8_t op, int reg, int rm, uint8_t imm8);
// prefix [REX] 0f op ModRM [base + disp32].
void emit_sse_mem(sink *s, uint8_t prefix, uint8_t op, int reg, int32_t disp32, int base, int rexw = 0);

// pslldq / psrldq / psllq xmm, imm8.
void emit_pslldq(sink *s, int xmm, uint8_t bytes);
void emit_psrldq(sink *s, int xmm, uint8_t bytes);
void emit_psllq(sink *s, int xmm, uint8_t bits);
// xmm = 0 (pxor xmm, xmm).
void emit_xmm_zero(sink *s, int xmm);

// movd/movq between XMM and general registers (wide: the 64-bit movq).
void emit_movq_to_xmm(sink *s, int xmm, int reg, int wide);
void emit_movq_from_xmm(sink *s, int reg, int xmm, int wide);
// movq xmm, [rbx + disp32] and movq [rbx + disp32], xmm; movdqu of 16 bytes.
void emit_movq_state_load(sink *s, int xmm, int32_t disp32);
void emit_movq_state_store(sink *s, int xmm, int32_t disp32);
void emit_movdqu_state_load(sink *s, int xmm, int32_t disp32);

// stmxcsr / ldmxcsr [rbx + disp32].
void emit_stmxcsr(sink *s, int32_t disp32);
void emit_ldmxcsr(sink *s, int32_t disp32);

// An x87 memory operation op /ext on [base + disp32] (fld qword is dd /0, fstp dword d9 /3, ...).
void emit_x87_mem(sink *s, uint8_t op, int ext, int32_t disp32, int base);

// setcc byte [rbx + disp32]; and byte [rbx + disp32], reg8 (al, cl, dl, bl only).
void emit_setcc_state(sink *s, int cc, int32_t disp32);
void emit_and_state_byte(sink *s, int32_t disp32, int reg8);
// cmovcc dst, src (32- or 64-bit).
void emit_cmov_reg(sink *s, int cc, int dst, int src, int wide);
