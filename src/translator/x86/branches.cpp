// Conditional jumps, guest branches, in-page back-patching and the call-out sequence.
#include "translator/x86/branches.h"

#include <cstdio>
#include <initializer_list>

#include "isa/hooks/trace_events.h"
#include "runtime/alloc.h"
#include "translator/x86/encoder.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/prologues.h"
#include "translator/x86/state_disp.h"
#include "translator/xframe.h"

thread_local fixup32_s *fixup_pending = nullptr;
thread_local fixup32_s *fixup_free = nullptr;
thread_local int jcc_out_of_reach = 0;

namespace
{

constexpr int TRACE_BRANCH_METHOD = 21;
constexpr int32_t TRACE_BRANCH_RECORD_BYTES = 6 * 8;

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

// [REX] op ModRM(mod 10, reg, rbx) disp32: an access of a thread-state field.
void state_op(sink *s, uint8_t op, int reg, int32_t disp, int wide)
{
    insn_template t{};
    t.opcode[0] = op;
    set_modrm_base_disp32(&t, reg, disp, JIT_THREAD, wide);
    emit_insn(&t, s);
}

// lea reg, [base + disp32] in 64 bits.
void emit_lea(sink *s, int reg, int base, int32_t disp)
{
    insn_template t{};
    t.opcode[0] = 0x8D;
    set_modrm_base_disp32(&t, reg, disp, base, 1);
    emit_insn(&t, s);
}

// mov qword [rax + offset], imm32 (sign-extended).
void store_imm_at_rax(sink *s, int32_t offset, uint32_t imm32)
{
    insn_template t{};
    t.opcode[0] = 0xC7;
    set_modrm_base_disp32(&t, 0, offset, HOST_RAX, 1);
    emit_insn(&t, s);
    emit_imm32(s, imm32);
}

// mov [rax + offset], reg (64-bit).
void store_reg_at_rax(sink *s, int32_t offset, int reg)
{
    insn_template t{};
    t.opcode[0] = 0x89;
    set_modrm_base_disp32(&t, reg, offset, HOST_RAX, 1);
    emit_insn(&t, s);
}

// The branch record of a loaded trace library: method, address of the branch, profile entry,
// target, taken (2 for an unconditional branch, else the condition), instruction word. The host
// flags are left alone.
void emit_branch_record(xframe *x, int cc, int after_reg)
{
    if (!trc_is_active(TRACE_BRANCH_METHOD)) return;
    sink *s = xframe_sink(x);
    emit_mov_load(s, HOST_RAX, disp_turbo(trace_cursor), JIT_THREAD, 1);
    store_imm_at_rax(s, 0, TRACE_BRANCH_METHOD);
    // Word 1 is the branch's own address, as the interpreter records it: the address after the
    // branch less 4, formed and undone with lea, which leaves the host flags alone.
    emit_lea(s, after_reg, after_reg, -4);
    store_reg_at_rax(s, 8, after_reg);
    emit_lea(s, after_reg, after_reg, 4);
    uint64_t entry = reinterpret_cast<uint64_t>(x->profile);
    // Two 32-bit stores of the entry's halves.
    insn_template t{};
    t.opcode[0] = 0xC7;
    set_modrm_base_disp32(&t, 0, 16, HOST_RAX, 0);
    emit_insn(&t, s);
    emit_imm32(s, (uint32_t)entry);
    insn_template u{};
    u.opcode[0] = 0xC7;
    set_modrm_base_disp32(&u, 0, 20, HOST_RAX, 0);
    emit_insn(&u, s);
    emit_imm32(s, (uint32_t)(entry >> 32));
    store_reg_at_rax(s, 24, JIT_PC);
    if (cc == CC_ALWAYS) {
        store_imm_at_rax(s, 32, 2);
    } else {
        store_imm_at_rax(s, 32, 0);
        // setcc byte [rax + 32]
        insn_template v{};
        v.opcode[0] = 0x0F;
        v.opcode[1] = (uint8_t)(0x90 + cc);
        v.last_opcode = 1;
        set_modrm_base_disp32(&v, 0, 32, HOST_RAX, 0);
        emit_insn(&v, s);
    }
    uint32_t word = 0;
    if (x->cursor) word = get_ins(x, x->cursor);
    store_imm_at_rax(s, 40, 0);
    insn_template w{};
    w.opcode[0] = 0xC7;
    set_modrm_base_disp32(&w, 0, 40, HOST_RAX, 0);
    emit_insn(&w, s);
    emit_imm32(s, word);
    emit_lea(s, HOST_RAX, HOST_RAX, TRACE_BRANCH_RECORD_BYTES);
    emit_mov_store(s, disp_turbo(trace_cursor), JIT_THREAD, HOST_RAX, 1);
}

fixup32_s *take_fixup(void)
{
    fixup32_s *f = fixup_free;
    if (f) {
        fixup_free = f->next;
        return f;
    }
    return QUARN_ZALLOC(1, fixup32_s);
}

// The 32-bit CTR decrement: dec qword [rbx + CTR]; in 32-bit mode the low word alone decides.
void emit_ctr_decrement(xframe *x)
{
    sink *s = xframe_sink(x);
    state_op(s, 0xFF, 1, disp_CTR(), xframe_machine64(x));
    if (!xframe_mode64(x)) emit_cmp_field_zero(s, disp_CTR());
}

} // namespace

void emit_jcc(sink *s, int cc, uint64_t target)
{
    int64_t rel = (int64_t)(target - (sink_xpc(s) + 6));
    if (rel < INT32_MIN || rel > INT32_MAX) {
        printf("emit_jcc: ajhdlasjhdalsjdhlaksjhdlaksjhd\n");
        jcc_out_of_reach = 1;
        return;
    }
    sink_emit1(s, 0x0F);
    sink_emit1(s, 0x80 + (cc & 15));
    emit_imm32(s, (uint32_t)rel);
}

void emit_cmp_field_zero(sink *s, int32_t disp32)
{
    state_op(s, 0x81, 7, disp32, 0);
    emit_imm32(s, 0);
}

int jit_bc(xframe *x, uint32_t bo, uint32_t bi, int work, int)
{
    sink *s = xframe_sink(x);
    const bool no_cr = (bo & 0x10) != 0, no_ctr = (bo & 0x04) != 0;
    const int32_t cr_bit = disp_CR_bit((int)(bi & 31));
    if (no_cr && no_ctr) return CC_ALWAYS;
    if (no_ctr) {
        // cmp byte [rbx + CR + BI], 0
        state_op(s, 0x80, 7, cr_bit, 0);
        sink_emit1(s, 0);
        return (bo & 0x08) ? CC_NE : CC_E;
    }
    if (no_cr) {
        emit_ctr_decrement(x);
        return (bo & 0x02) ? CC_E : CC_NE;
    }
    // Both: al = the CR condition, work = the CTR condition, and al &= work.
    state_op(s, 0x8A, HOST_RAX, cr_bit, 0);                     // mov al, [rbx + CR + BI]
    if (!(bo & 0x08)) bytes(s, {0x20, 0xC0, 0x0F, 0x94, 0xC0}); // and al, al; sete al
    // xor work8, work8 (a REX prefix selects the low byte of registers 4 to 15)
    if (work >= 4) sink_emit1(s, 0x40 | (work >= 8 ? 0x05 : 0));
    sink_emit1(s, 0x30);
    sink_emit1(s, 0xC0 | (work & 7) << 3 | (work & 7));
    emit_ctr_decrement(x);
    // setcc work8
    if (work >= 4) sink_emit1(s, 0x40 | (work >= 8 ? 0x01 : 0));
    sink_emit1(s, 0x0F);
    sink_emit1(s, (bo & 0x02) ? 0x94 : 0x95);
    sink_emit1(s, 0xC0 | (work & 7));
    // and al, work8
    if (work >= 4) sink_emit1(s, 0x40 | (work >= 8 ? 0x04 : 0));
    sink_emit1(s, 0x20);
    sink_emit1(s, 0xC0 | (work & 7) << 3);
    return CC_NE;
}

void jit_test_xer_bit(xframe *x, int c)
{
    sink *s = xframe_sink(x);
    if (c < 8) {
        state_op(s, 0x80, 7, disp_XER_flag(c), 0);
        sink_emit1(s, 0);
    } else {
        state_op(s, 0xF7, 0, disp_XER_copy(), xframe_machine64(x));
        emit_imm32(s, 1u << (31 - c));
    }
}

void jit_relative_branch(xframe *x, int cc, int32_t displacement, uint32_t offset)
{
    sink *s = xframe_sink(x);
    const bool conditional = cc != CC_ALWAYS;
    const bool standalone = xframe_is_standalone(x) != 0;
    const int wide = xframe_machine64(x);
    emit_mov_reg(s, HOST_R11, JIT_PC, wide);
    if (conditional && !standalone) emit_mov_load(s, HOST_RCX, disp_CFAR(), JIT_THREAD, 1);
    if (!standalone) {
        emit_lea(s, HOST_RAX, JIT_PC, -4);
        emit_mov_store(s, disp_CFAR(), JIT_THREAD, HOST_RAX, 1);
    }
    emit_lea(s, JIT_PC, JIT_PC, displacement - 4);
    emit_branch_record(x, cc, HOST_R11);

    const uint32_t target = offset + (uint32_t)displacement;
    if (target > 0xFFF) {
        if (!conditional) {
            jit_gotoi(x);
            return;
        }
        emit_jcc(s, cc, fetch);
    } else {
        if (conditional) {
            bytes(s, {0x0F, (uint8_t)(0x80 + cc), 0, 0, 0, 0});
        } else {
            bytes(s, {0xE9, 0, 0, 0, 0});
        }
        fixup32_s *f = take_fixup();
        f->target_slot = target / 4;
        f->source_slot = offset / 4;
        f->patch_address = sink_xpc(s);
        f->next = fixup_pending;
        fixup_pending = f;
        if (!conditional) return;
    }
    // Not taken: the address after the branch and the old CFAR come back.
    emit_mov_reg(s, JIT_PC, HOST_R11, wide);
    if (!standalone) emit_mov_store(s, disp_CFAR(), JIT_THREAD, HOST_RCX, 1);
}

void jit_indirect_branch(xframe *x, int cc, int reg)
{
    sink *s = xframe_sink(x);
    const bool conditional = cc != CC_ALWAYS;
    const bool standalone = xframe_is_standalone(x) != 0;
    emit_mov_reg(s, HOST_RDX, JIT_PC, xframe_machine64(x));
    if (conditional && !standalone) emit_mov_load(s, HOST_RCX, disp_CFAR(), JIT_THREAD, 1);
    if (!standalone) {
        emit_lea(s, HOST_RAX, JIT_PC, -4);
        emit_mov_store(s, disp_CFAR(), JIT_THREAD, HOST_RAX, 1);
    }
    emit_mov_reg(s, JIT_PC, reg, xframe_mode64(x));
    emit_branch_record(x, cc, HOST_RDX);
    if (!conditional) {
        jit_gotoi(x);
        return;
    }
    emit_jcc(s, cc, fetch);
    emit_mov_reg(s, JIT_PC, HOST_RDX, xframe_mode64(x));
    if (!standalone) emit_mov_store(s, disp_CFAR(), JIT_THREAD, HOST_RCX, 1);
}

void jit_fixups_start(void)
{
    fixup_pending = nullptr;
}

void jit_fixups_resolve(xframe *x)
{
    fixup32_s *last = nullptr;
    for (fixup32_s *f = fixup_pending; f; f = f->next) {
        sink field;
        sink_init(&field, reinterpret_cast<void *>(f->patch_address - 4), 4);
        emit_imm32(&field, (uint32_t)(x->entry[f->target_slot] - f->patch_address));
        last = f;
    }
    if (last) {
        last->next = fixup_free;
        fixup_free = fixup_pending;
    }
    fixup_pending = nullptr;
}

void jit_callout(sink *s, int result_reg, const void *routine)
{
    bytes(s, {0x57, 0x56, 0x41, 0x50});             // push rdi, rsi, r8
    bytes(s, {0x48, 0x8B, 0xFB, 0x4C, 0x89, 0xCE}); // mov rdi, rbx; mov rsi, r9
    bytes(s, {0x4C, 0x89, 0xD2, 0x4C, 0x89, 0xD9}); // mov rdx, r10; mov rcx, r11
    emit_mov_store_imm32(s, disp_turbo(in_callout), JIT_THREAD, 1, 0);
    emit_mov_imm64(s, HOST_RAX, reinterpret_cast<uint64_t>(routine));
    bytes(s, {0xFF, 0xD0}); // call rax
    if (result_reg >= 0 && result_reg <= 15) {
        sink_emit1(s, result_reg < 8 ? 0x48 : 0x49);
        sink_emit1(s, 0x89);
        sink_emit1(s, 0xC0 + (result_reg & 7));
    }
    emit_mov_store_imm32(s, disp_turbo(in_callout), JIT_THREAD, 0, 0);
    bytes(s, {0x41, 0x58, 0x5E, 0x5F}); // pop r8, rsi, rdi
}
