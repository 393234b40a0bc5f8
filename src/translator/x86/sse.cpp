// SSE and x87 encodings for the floating-point and vector emitters.
#include "translator/x86/sse.h"

#include "translator/x86/encoder.h"
#include "translator/x86/host_regs.h"

namespace
{

insn_template two_byte(uint8_t op, int op2)
{
    insn_template t{};
    t.opcode[0] = 0x0F;
    t.opcode[1] = op;
    t.last_opcode = 1;
    if (op2 >= 0) {
        t.opcode[2] = (uint8_t)op2;
        t.last_opcode = 2;
    }
    return t;
}

void prefix(sink *s, uint8_t p)
{
    if (p) sink_emit1(s, p);
}

void shift_imm(sink *s, int ext, int xmm, uint8_t imm)
{
    insn_template t = two_byte(0x73, -1);
    t.has_modrm = 1;
    t.modrm = (uint8_t)(0xC0 | ext << 3 | (xmm & 7));
    if (xmm & 8) t.rex |= REX_B;
    sink_emit1(s, 0x66);
    emit_insn(&t, s);
    sink_emit1(s, imm);
}

} // namespace

void emit_sse_rr(sink *s, uint8_t p, uint8_t op, int reg, int rm, int rexw, int op2)
{
    insn_template t = two_byte(op, op2);
    t.has_modrm = 1;
    t.modrm = (uint8_t)(0xC0 | (reg & 7) << 3 | (rm & 7));
    if (reg & 8) t.rex |= REX_R;
    if (rm & 8) t.rex |= REX_B;
    if (rexw) t.rex |= REX_W;
    prefix(s, p);
    emit_insn(&t, s);
}

void emit_sse_rr_ib(sink *s, uint8_t p, uint8_t op, int reg, int rm, uint8_t imm8)
{
    emit_sse_rr(s, p, op, reg, rm);
    sink_emit1(s, imm8);
}

void emit_sse_mem(sink *s, uint8_t p, uint8_t op, int reg, int32_t disp32, int base, int rexw)
{
    insn_template t = two_byte(op, -1);
    set_modrm_base_disp32(&t, reg, disp32, base, rexw);
    prefix(s, p);
    emit_insn(&t, s);
}

void emit_pslldq(sink *s, int xmm, uint8_t bytes)
{
    shift_imm(s, 7, xmm, bytes);
}

void emit_psrldq(sink *s, int xmm, uint8_t bytes)
{
    shift_imm(s, 3, xmm, bytes);
}

void emit_psllq(sink *s, int xmm, uint8_t bits)
{
    shift_imm(s, 6, xmm, bits);
}

void emit_xmm_zero(sink *s, int xmm)
{
    emit_sse_rr(s, SSE_66, 0xEF, xmm, xmm);
}

void emit_movq_to_xmm(sink *s, int xmm, int reg, int wide)
{
    emit_sse_rr(s, SSE_66, 0x6E, xmm, reg, wide);
}

void emit_movq_from_xmm(sink *s, int reg, int xmm, int wide)
{
    emit_sse_rr(s, SSE_66, 0x7E, xmm, reg, wide);
}

void emit_movq_state_load(sink *s, int xmm, int32_t disp32)
{
    emit_sse_mem(s, SSE_F3, 0x7E, xmm, disp32, JIT_THREAD);
}

void emit_movq_state_store(sink *s, int xmm, int32_t disp32)
{
    emit_sse_mem(s, SSE_66, 0xD6, xmm, disp32, JIT_THREAD);
}

void emit_movdqu_state_load(sink *s, int xmm, int32_t disp32)
{
    emit_sse_mem(s, SSE_F3, 0x6F, xmm, disp32, JIT_THREAD);
}

void emit_stmxcsr(sink *s, int32_t disp32)
{
    emit_sse_mem(s, SSE_NP, 0xAE, 3, disp32, JIT_THREAD);
}

void emit_ldmxcsr(sink *s, int32_t disp32)
{
    emit_sse_mem(s, SSE_NP, 0xAE, 2, disp32, JIT_THREAD);
}

void emit_x87_mem(sink *s, uint8_t op, int ext, int32_t disp32, int base)
{
    insn_template t{};
    t.opcode[0] = op;
    t.last_opcode = 0;
    set_modrm_base_disp32(&t, ext, disp32, base, 0);
    emit_insn(&t, s);
}

void emit_setcc_state(sink *s, int cc, int32_t disp32)
{
    insn_template t = two_byte((uint8_t)(0x90 + cc), -1);
    set_modrm_base_disp32(&t, 0, disp32, JIT_THREAD, 0);
    emit_insn(&t, s);
}

void emit_and_state_byte(sink *s, int32_t disp32, int reg8)
{
    insn_template t{};
    t.opcode[0] = 0x20;
    t.last_opcode = 0;
    set_modrm_base_disp32(&t, reg8, disp32, JIT_THREAD, 0);
    emit_insn(&t, s);
}

void emit_cmov_reg(sink *s, int cc, int dst, int src, int wide)
{
    insn_template t = two_byte((uint8_t)(0x40 + cc), -1);
    t.has_modrm = 1;
    t.modrm = (uint8_t)(0xC0 | (dst & 7) << 3 | (src & 7));
    if (dst & 8) t.rex |= REX_R;
    if (src & 8) t.rex |= REX_B;
    if (wide) t.rex |= REX_W;
    emit_insn(&t, s);
}
