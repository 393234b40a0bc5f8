// The x86-64 instruction encoder and its fixed emitters.
#include "translator/x86/encoder.h"

#include <cstring>

#include "isa/hooks/trace_events.h"
#include "translator/xframe.h"

namespace
{

constexpr uint8_t rex_if(int wide, int r_reg, int b_reg)
{
    return (uint8_t)((wide ? REX_W : 0) | (r_reg >= 8 ? REX_R : 0) | (b_reg >= 8 ? REX_B : 0));
}

// A REX prefix only when a bit is set.
void emit_rex(sink *s, uint8_t bits)
{
    if (bits) sink_emit1(s, 0x40 | bits);
}

void emit_imm16(sink *s, uint32_t value)
{
    sink_emit1(s, value);
    sink_emit1(s, value >> 8);
}

void emit_imm64(sink *s, uint64_t value)
{
    emit_imm32(s, (uint32_t)value);
    emit_imm32(s, (uint32_t)(value >> 32));
}

bool valid_register(int r)
{
    return r >= 0 && r <= 15;
}

// [REX] opcode ModRM(c0 | ext << 3 | low(r)) for the register forms with an opcode extension.
void emit_reg_ext(sink *s, uint8_t opcode, int ext, int r, int wide)
{
    emit_rex(s, rex_if(wide, 0, r));
    sink_emit1(s, opcode);
    sink_emit1(s, 0xC0 | ext << 3 | (r & 7));
}

// [REX] opcode ModRM(c0 | low(reg) << 3 | low(rm)).
void emit_reg_reg(sink *s, uint8_t opcode, int reg, int rm, int wide)
{
    emit_rex(s, rex_if(wide, reg, rm));
    sink_emit1(s, opcode);
    sink_emit1(s, 0xC0 | (reg & 7) << 3 | (rm & 7));
}

void emit_mem(sink *s, uint8_t opcode, int reg, int32_t disp32, int base, int wide)
{
    insn_template t{};
    t.opcode[0] = opcode;
    set_modrm_base_disp32(&t, reg, disp32, base, wide);
    emit_insn(&t, s);
}

} // namespace

void emit_insn(const insn_template *t, sink *s)
{
    emit_rex(s, t->rex);
    for (int i = 0; i <= t->last_opcode && i < 4; i++)
        sink_emit1(s, t->opcode[i]);
    if (t->has_modrm) sink_emit1(s, t->modrm);
    if (t->has_sib) sink_emit1(s, t->sib);
    if (t->disp_size == 1)
        sink_emit1(s, (uint32_t)t->disp);
    else if (t->disp_size == 4)
        emit_imm32(s, (uint32_t)t->disp);
}

void set_modrm_base_disp32(insn_template *t, int reg, int32_t disp32, int base, int wide)
{
    t->has_modrm = 1;
    t->modrm = (uint8_t)(0x80 | (reg & 7) << 3 | (base & 7));
    t->rex |= rex_if(wide, reg, base);
    if ((base & 7) == 4) {
        t->has_sib = 1;
        t->sib = 0x24;
    }
    t->disp_size = 4;
    t->disp = disp32;
}

void set_modrm_sib_disp32(insn_template *t, int reg, int32_t disp32, int scale, int index, int base, int wide)
{
    t->has_modrm = 1;
    t->modrm = (uint8_t)(0x84 | (reg & 7) << 3);
    t->rex |= rex_if(wide, reg, base) | (index >= 8 ? REX_X : 0);
    t->has_sib = 1;
    t->sib = (uint8_t)(scale << 6 | (index & 7) << 3 | (base & 7));
    t->disp_size = 4;
    t->disp = disp32;
}

void set_modrm_base_indirect(insn_template *t, int reg, int base, int wide)
{
    t->has_modrm = 1;
    t->rex |= rex_if(wide, reg, base);
    switch (base & 7) {
    case 4: // rsp, r12: needs a SIB byte; mod 01 with a zero displacement
        t->modrm = (uint8_t)(0x40 | (reg & 7) << 3 | 4);
        t->has_sib = 1;
        t->sib = 0x24;
        t->disp_size = 1;
        t->disp = 0;
        break;
    case 5: // rbp, r13: mod 00 would be rip-relative
        t->modrm = (uint8_t)(0x40 | (reg & 7) << 3 | 5);
        t->disp_size = 1;
        t->disp = 0;
        break;
    default:
        t->modrm = (uint8_t)((reg & 7) << 3 | (base & 7));
        break;
    }
}

void set_modrm_base_index(insn_template *t, int reg, int base, int index, int wide)
{
    t->has_modrm = 1;
    t->rex |= rex_if(wide, reg, base) | (index >= 8 ? REX_X : 0);
    t->has_sib = 1;
    t->sib = (uint8_t)((index & 7) << 3 | (base & 7));
    if ((base & 7) == 5) {
        t->modrm = (uint8_t)(0x44 | (reg & 7) << 3);
        t->disp_size = 1;
        t->disp = 0;
    } else {
        t->modrm = (uint8_t)((reg & 7) << 3 | 4);
    }
}

void emit_imm32(sink *s, uint32_t value)
{
    if (s->remaining >= 4) {
        memcpy(reinterpret_cast<void *>(s->cursor), &value, 4); // little-endian host
        s->cursor += 4;
        s->remaining -= 4;
        return;
    }
    sink_emit1(s, value);
    sink_emit1(s, value >> 8);
    sink_emit1(s, value >> 16);
    sink_emit1(s, value >> 24);
}

void emit_mov_imm64(sink *s, int r, uint64_t imm64)
{
    if (!valid_register(r)) return;
    sink_emit1(s, r < 8 ? 0x48 : 0x49);
    sink_emit1(s, 0xB8 + (r & 7));
    emit_imm64(s, imm64);
}

void emit_mov_imm32(sink *s, int r, uint32_t imm32, int wide)
{
    if (!valid_register(r)) return;
    if (wide) {
        // mov r/m64, imm32: sign-extended to 64 bits
        sink_emit1(s, r < 8 ? 0x48 : 0x49);
        sink_emit1(s, 0xC7);
        sink_emit1(s, 0xC0 + (r & 7));
    } else {
        // mov r32, imm32: zero-extends into the 64-bit register
        if (r >= 8) sink_emit1(s, 0x41);
        sink_emit1(s, 0xB8 + (r & 7));
    }
    emit_imm32(s, imm32);
}

void emit_add_imm32(sink *s, int r, uint32_t imm32, int wide)
{
    if (!valid_register(r)) return;
    if (r == HOST_RAX) {
        if (wide) sink_emit1(s, 0x48);
        sink_emit1(s, 0x05);
    } else {
        emit_reg_ext(s, 0x81, 0, r, wide);
    }
    emit_imm32(s, imm32);
}

void emit_add_imm8(sink *s, int r, int8_t imm8, int wide)
{
    emit_reg_ext(s, 0x83, 0, r, wide);
    sink_emit1(s, (uint8_t)imm8);
}

void emit_and_imm32(sink *s, int r, uint32_t imm32, int wide)
{
    emit_reg_ext(s, 0x81, 4, r, wide);
    emit_imm32(s, imm32);
}

void emit_cmp_imm32(sink *s, int r, uint32_t imm32, int wide)
{
    emit_reg_ext(s, 0x81, 7, r, wide);
    emit_imm32(s, imm32);
}

void emit_mov_reg(sink *s, int dst, int src, int wide)
{
    emit_reg_reg(s, 0x8B, dst, src, wide);
}

void emit_or_reg(sink *s, int dst, int src, int wide)
{
    emit_reg_reg(s, 0x09, src, dst, wide);
}

void emit_add_reg(sink *s, int dst, int src, int wide)
{
    emit_reg_reg(s, 0x01, src, dst, wide);
}

void emit_sub_reg(sink *s, int dst, int src, int wide)
{
    emit_reg_reg(s, 0x29, src, dst, wide);
}

void emit_and_reg(sink *s, int dst, int src, int wide)
{
    emit_reg_reg(s, 0x21, src, dst, wide);
}

void emit_not_reg(sink *s, int r, int wide)
{
    emit_reg_ext(s, 0xF7, 2, r, wide);
}

void emit_mov_load(sink *s, int r, int32_t disp32, int base, int wide)
{
    emit_mem(s, 0x8B, r, disp32, base, wide);
}

void emit_mov_store(sink *s, int32_t disp32, int base, int r, int wide)
{
    emit_mem(s, 0x89, r, disp32, base, wide);
}

void emit_mov_store_imm32(sink *s, int32_t disp32, int base, uint32_t imm32, int wide)
{
    emit_mem(s, 0xC7, 0, disp32, base, wide);
    emit_imm32(s, imm32);
}

void emit_cmov_load(sink *s, int cc, int r, int32_t disp32, int wide)
{
    insn_template t{};
    t.opcode[0] = 0x0F;
    t.opcode[1] = (uint8_t)(0x40 + (cc & 15));
    t.last_opcode = 1;
    set_modrm_base_disp32(&t, r, disp32, HOST_RBX, wide);
    emit_insn(&t, s);
}

void emit_bswap(sink *s, int r, int wide)
{
    emit_rex(s, rex_if(wide, 0, r));
    sink_emit1(s, 0x0F);
    sink_emit1(s, 0xC8 + (r & 7));
}

void emit_bswap16(sink *s)
{
    sink_emit1(s, 0x86);
    sink_emit1(s, 0xC4);
}

void emit_push(sink *s, int r)
{
    if (!valid_register(r)) return;
    if (r >= 8) sink_emit1(s, 0x41);
    sink_emit1(s, 0x50 + (r & 7));
}

void emit_pop(sink *s, int r)
{
    if (!valid_register(r)) return;
    if (r >= 8) sink_emit1(s, 0x41);
    sink_emit1(s, 0x58 + (r & 7));
}

void emit_jmp(sink *s, uint64_t target)
{
    int64_t rel = (int64_t)(target - (sink_xpc(s) + 5));
    if (rel >= INT32_MIN && rel <= INT32_MAX) {
        sink_emit1(s, 0xE9);
        emit_imm32(s, (uint32_t)rel);
    } else {
        emit_mov_imm64(s, HOST_RAX, target);
        sink_emit1(s, 0xFF);
        sink_emit1(s, 0xE0);
    }
}

void resolve_reference_here(sink *s, uint64_t at)
{
    sink field;
    sink_init(&field, reinterpret_cast<void *>(at - 4), 4);
    emit_imm32(&field, (uint32_t)(sink_xpc(s) - at));
}

void jit_get_uimm64(xframe *x, int r, uint64_t imm64)
{
    emit_mov_imm64(xframe_sink(x), r, imm64);
}

void jit_get_simm32(xframe *x, int r, int32_t imm32)
{
    emit_mov_imm32(xframe_sink(x), r, (uint32_t)imm32, xframe_machine64(x));
}

void jit_get_simm16(xframe *x, int r, int16_t imm16)
{
    jit_get_simm32(x, r, imm16);
}

void jit_add_simm32(xframe *x, int r, int32_t imm32)
{
    emit_add_imm32(xframe_sink(x), r, (uint32_t)imm32, xframe_machine64(x));
}

void jit_or_uimm16(xframe *x, int r, uint16_t imm16)
{
    if (!valid_register(r)) return;
    sink *s = xframe_sink(x);
    if (r == HOST_RAX) {
        if (xframe_machine64(x)) sink_emit1(s, 0x48);
        sink_emit1(s, 0x0D);
    } else {
        emit_reg_ext(s, 0x81, 1, r, xframe_machine64(x));
    }
    emit_imm16(s, imm16);
    emit_imm16(s, 0);
}

void jit_or_uimm32(xframe *x, int r, uint32_t imm32, int t)
{
    sink *s = xframe_sink(x);
    emit_mov_imm32(s, t, imm32, 0);
    emit_or_reg(s, r, t, xframe_machine64(x));
}

void jit_and_uimm64(xframe *x, int r, uint64_t imm64)
{
    sink *s = xframe_sink(x);
    emit_mov_imm64(s, HOST_RAX, imm64);
    emit_reg_reg(s, 0x21, HOST_RAX, r, 1);
}

void jit_get_zero(xframe *x, int r)
{
    emit_reg_reg(xframe_sink(x), 0x31, r, r, xframe_machine64(x));
}

void jit_rotate_left_imm(xframe *x, int r, uint8_t count, int wide)
{
    sink *s = xframe_sink(x);
    emit_reg_ext(s, 0xC1, 0, r, wide);
    sink_emit1(s, count);
}

void jit_mov(xframe *x, int dst, int src)
{
    emit_mov_reg(xframe_sink(x), dst, src, xframe_machine64(x));
}

void jit_add_temps(xframe *x, int dst, int src)
{
    emit_add_reg(xframe_sink(x), dst, src, xframe_machine64(x));
}

void jit_extend_32_to_64(xframe *x, int r)
{
    emit_reg_reg(xframe_sink(x), 0x63, r, r, 1);
}

void jit_gotoi(xframe *x)
{
    sink *s = xframe_sink(x);
    sink_emit1(s, 0x41);
    sink_emit1(s, 0xFF);
    sink_emit1(s, 0xE6);
}

void jit_store_barrier(xframe *x)
{
    sink *s = xframe_sink(x);
    sink_emit1(s, 0x0F);
    sink_emit1(s, 0xAE);
    sink_emit1(s, 0xF0);
}

void jit_load_barrier(xframe *x)
{
    sink *s = xframe_sink(x);
    sink_emit1(s, 0x0F);
    sink_emit1(s, 0xAE);
    sink_emit1(s, 0xE8);
}

void jit_isync(xframe *x)
{
    jit_load_barrier(x);
}

void emit_counter_increment(xframe *x, int counter)
{
    if (!cnt_is_active(counter)) return;
    sink *s = xframe_sink(x);
    emit_mov_imm64(s, HOST_RDX, reinterpret_cast<uint64_t>(&trc_counts()[counter]));
    // inc qword [rdx + 0]
    insn_template t{};
    t.opcode[0] = 0xFF;
    set_modrm_base_disp32(&t, 0, 0, HOST_RDX, 1);
    emit_insn(&t, s);
}
