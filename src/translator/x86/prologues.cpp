// Frame and instruction prologues, the page's exit stubs, exits and guards.
#include "translator/x86/prologues.h"

#include <cstddef>
#include <initializer_list>

#include "exec/hooks/engines.h"
#include "isa/hooks/trace_events.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/run/modes.h"
#include "runtime/debug.h"
#include "translator/callouts.h"
#include "translator/crack.h"
#include "translator/emat.h"
#include "translator/frame.h"
#include "translator/turbo_reason.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/state_disp.h"
#include "translator/xframe.h"

thread_local uint64_t exit_trap, exit_write, exit_read, exit_align, exit_eao_needed, exit_dcbz,
    exit_bit_accurate, exit_invalid, exit_mode, exit_msr_notdone, exit_delay_1000, exit_priority_low_low,
    exit_priority_change, exit_msr_done, exit_unknown, exit_htm, exit_synch_time, exit_limit, exit_xflush,
    exit_fp, exit_vmx, exit_vsx, exit_little_endian, exit_ta, exit_bogus, exit_load_test_loop_lbz,
    exit_branch_self, exit_interrupt, exit_priv, exit_hyper, exit_fetch, exit_pa_pctrigger, exit_ea_pctrigger,
    exit_msr_w_regtrigger, fetch;
uint64_t exit_larx;
uint64_t exit_common;

namespace
{

constexpr int DEBUG_CATEGORY_INSTRUCTION = 12;
constexpr int TRACE_INSTRUCTION_METHOD = 18;
constexpr int32_t TRACE_INSTRUCTION_RECORD_BYTES = 4 * 8;
constexpr uint64_t MSR_VEC_BIT = 0x2000000;
constexpr uint64_t MSR_VSX_BIT = 0x800000;
constexpr uint64_t MSR_TA_BIT = 0x4000000000000000ull;

// How a stub leaves: undoing the instruction, after it, or undoing it without storing a reason.
enum StubForm { UNDO, DONE, UNDO_NO_REASON, XFLUSH };

struct StubRow {
    uint64_t *variable;
    int32_t reason;
    StubForm form;
};

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

GenericMachine *machine_of(const xframe *x)
{
    MCM *chip = xframe_mcm(x);
    return chip ? chip->machine : nullptr;
}

void emit_reason(sink *s, int32_t reason)
{
    emit_mov_store_imm32(s, disp_turbo(reason), JIT_THREAD, (uint32_t)reason, 0);
}

// inc edi; add rsi, -4: the budget unit and the PC step of the instruction prologue come back.
void emit_undo(sink *s)
{
    bytes(s, {0xFF, 0xC7});
    emit_add_imm32(s, JIT_PC, (uint32_t)-4, 1);
}

void emit_stub(sink *s, const StubRow &row)
{
    *row.variable = sink_xpc(s);
    switch (row.form) {
    case UNDO:
        emit_reason(s, row.reason);
        emit_undo(s);
        break;
    case DONE:
        emit_reason(s, row.reason);
        break;
    case UNDO_NO_REASON:
        emit_undo(s);
        break;
    case XFLUSH:
        emit_reason(s, row.reason);
        emit_mov_store(s, disp_turbo(xflush_address), JIT_THREAD, HOST_RAX, 1);
        break;
    }
    emit_jmp(s, exit_common);
}

// mov rax, imm64; and rax, [rbx + MSR]: ZF set when none of the bits is set in the MSR.
void emit_msr_and(sink *s, uint64_t bits)
{
    emit_mov_imm64(s, HOST_RAX, bits);
    insn_template t{};
    t.opcode[0] = 0x23;
    set_modrm_base_disp32(&t, HOST_RAX, disp_MSR(), JIT_THREAD, 1);
    emit_insn(&t, s);
}

// test dword [rbx + MSR], imm32.
void emit_msr_test32(sink *s, uint32_t bits)
{
    insn_template t{};
    t.opcode[0] = 0xF7;
    set_modrm_base_disp32(&t, 0, disp_MSR(), JIT_THREAD, 0);
    emit_insn(&t, s);
    emit_imm32(s, bits);
}

// The instruction trace record of a loaded library, one instruction late: the previous
// instruction's word, address and profile entry are written now and this one becomes pending.
void emit_instruction_record(xframe *x, uint32_t word)
{
    sink *s = xframe_sink(x);
    emit_mov_load(s, HOST_RDX, disp_turbo(trace_cursor), JIT_THREAD, 1);
    bytes(s, {0x48, 0xC7, 0x82, 0, 0, 0, 0, TRACE_INSTRUCTION_METHOD, 0, 0, 0}); // mov qword [rdx], 18
    emit_mov_load(s, HOST_R9, disp_turbo(trace_word), JIT_THREAD, 1);
    bytes(s, {0x4C, 0x89, 0x8A, 0x08, 0, 0, 0}); // mov [rdx + 8], r9
    uint64_t pending = word | (CRACK_IS_BRANCH(word) ? 1ull << 32 : 0);
    emit_mov_imm64(s, HOST_RCX, pending);
    emit_mov_store(s, disp_turbo(trace_word), JIT_THREAD, HOST_RCX, 1);
    emit_mov_load(s, HOST_R9, disp_turbo(trace_address), JIT_THREAD, 1);
    bytes(s, {0x4C, 0x89, 0x8A, 0x10, 0, 0, 0}); // mov [rdx + 16], r9
    emit_mov_store(s, disp_turbo(trace_address), JIT_THREAD, JIT_PC, 1);
    if (prof_is_on()) {
        emit_mov_load(s, HOST_R9, disp_turbo(trace_entry), JIT_THREAD, 1);
        bytes(s, {0x4C, 0x89, 0x8A, 0x18, 0, 0, 0}); // mov [rdx + 24], r9
    }
    bytes(s, {0x48, 0x83, 0xC2, (uint8_t)TRACE_INSTRUCTION_RECORD_BYTES}); // add rdx, record size
    emit_mov_store(s, disp_turbo(trace_cursor), JIT_THREAD, HOST_RDX, 1);
}

// The word as the page stores it: itself in a little-endian page of a translated mode, else
// byte-reversed (guest words are big-endian in memory).
uint32_t stored_form(xframe *x, uint32_t word)
{
    GenericMachine *machine = machine_of(x);
    uint32_t mode = machine ? machine->mode : 0;
    bool translated_mode = mode == MODE_TURBO || mode == MODE_PTURBO || mode == MODE_NAMELESS;
    if (translated_mode && x->frame && x->frame->little_endian) return word;
    return __builtin_bswap32(word);
}

bool debugging(GenericMachine *machine, bool *dynamic)
{
    *dynamic = false;
    if (!machine) return false;
    if (debug_state[DEBUG_CATEGORY_INSTRUCTION] > 0 && machine->turbo_debug) return true;
    if (machine->turbo_dynamic_debug) {
        *dynamic = true;
        return true;
    }
    return false;
}

} // namespace

void emit_cmp_mem_imm32(sink *s, int reg, uint32_t imm32)
{
    insn_template t{};
    t.opcode[0] = 0x81;
    set_modrm_base_indirect(&t, 7, reg, 0);
    emit_insn(&t, s);
    emit_imm32(s, imm32);
}

void jit_start_frame(xframe *x)
{
    sink *s = xframe_sink(x);
    jit_fixups_start();
    const int32_t top = (int32_t)offsetof(emat_s, top);

    bytes(s, {0x55, 0x53, 0x41, 0x54, 0x41, 0x55, 0x41, 0x56, 0x41, 0x57}); // push rbp, rbx, r12-r15
    bytes(s, {0x48, 0x8B, 0xDF});                                           // mov rbx, rdi
    emit_mov_load(s, JIT_READER, disp_turbo(reader), JIT_THREAD, 1);
    emit_mov_load(s, JIT_WRITER, disp_turbo(writer), JIT_THREAD, 1);
    emit_mov_load(s, JIT_FETCHER, disp_turbo(fetcher), JIT_THREAD, 1);
    bytes(s, {0x8B, 0xFA}); // mov edi, edx
    emit_mov_store(s, disp_turbo(host_sp), JIT_THREAD, HOST_RSP, 1);
    insn_template stmxcsr{};
    stmxcsr.opcode[0] = 0x0F;
    stmxcsr.opcode[1] = 0xAE;
    stmxcsr.last_opcode = 1;
    set_modrm_base_disp32(&stmxcsr, 3, disp_turbo(host_mxcsr), JIT_THREAD, 0);
    emit_insn(&stmxcsr, s);
    sink_emit1(s, 0x9B); // fstcw = wait; fnstcw
    insn_template fnstcw{};
    fnstcw.opcode[0] = 0xD9;
    set_modrm_base_disp32(&fnstcw, 7, disp_turbo(host_fpucw), JIT_THREAD, 0);
    emit_insn(&fnstcw, s);
    // The host rounding follows FPSCR[RN] for the whole run.
    emit_mov_load(s, HOST_RAX, disp_FPSCR(), JIT_THREAD, 0);
    emit_and_imm32(s, HOST_RAX, 3, 0);
    insn_template ldmxcsr{};
    ldmxcsr.opcode[0] = 0x0F;
    ldmxcsr.opcode[1] = 0xAE;
    ldmxcsr.last_opcode = 1;
    set_modrm_sib_disp32(&ldmxcsr, 2, disp_turbo(mxcsr_by_rn), 2, HOST_RAX, JIT_THREAD, 0);
    emit_insn(&ldmxcsr, s);
    insn_template fldcw{};
    fldcw.opcode[0] = 0xD9;
    set_modrm_sib_disp32(&fldcw, 5, disp_turbo(fpucw_by_rn), 2, HOST_RAX, JIT_THREAD, 0);
    emit_insn(&fldcw, s);
    // The map tables: the top tables, or in 32-bit mode their first entries.
    emit_mov_load(s, HOST_RAX, top, HOST_R9, 1);
    emit_mov_load(s, JIT_DATA_EMAT, top, HOST_RCX, 1);
    if (!xframe_mode64(x)) bytes(s, {0x48, 0x8B, 0x00, 0x4D, 0x8B, 0x3F}); // mov rax, [rax]; mov r15, [r15]
    emit_mov_store(s, disp_turbo(fetch_emat), JIT_THREAD, HOST_RAX, 1);
    emit_mov_store(s, disp_turbo(data_emat), JIT_THREAD, JIT_DATA_EMAT, 1);
    bytes(s, {0x49, 0x89, 0xF1}); // mov r9, rsi
    emit_mov_load(s, JIT_PC, disp_turbo(pc), JIT_THREAD, xframe_machine64(x));
    bytes(s, {0x41, 0xFF, 0xE1}); // jmp r9

    const StubRow stubs[] = {
        {&exit_trap, EXIT_TRAP, UNDO},
        {&exit_write, EXIT_WRITE, UNDO},
        {&exit_read, EXIT_READ, UNDO},
        {&exit_align, EXIT_ALIGN, UNDO},
        {&exit_eao_needed, EXIT_EAO_NEEDED, UNDO},
        {&exit_dcbz, EXIT_DCBZ, UNDO},
        {&exit_bit_accurate, EXIT_BIT_ACCURATE, UNDO},
        {&exit_invalid, EXIT_INVALID, UNDO},
        {&exit_mode, EXIT_MODE, UNDO},
        {&exit_msr_notdone, EXIT_MSR_NOT_DONE, UNDO},
        {&exit_delay_1000, EXIT_DELAY_1000, DONE},
        {&exit_priority_low_low, EXIT_PRIORITY_LOW_LOW, DONE},
        {&exit_priority_change, EXIT_PRIORITY_CHANGE, DONE},
        {&exit_msr_done, EXIT_MSR_DONE, DONE},
        {&exit_unknown, EXIT_UNKNOWN, UNDO},
        {&exit_htm, EXIT_TRANSACTIONAL_MEMORY, UNDO},
        {&exit_synch_time, 0, UNDO_NO_REASON},
        {&exit_limit, EXIT_LIMIT, DONE},
        {&exit_xflush, EXIT_XFLUSH, XFLUSH},
        {&exit_fp, EXIT_FP, UNDO},
        {&exit_vmx, EXIT_VMX, UNDO},
        {&exit_vsx, EXIT_VSX, UNDO},
        {&exit_little_endian, EXIT_LITTLE_ENDIAN, UNDO},
        {&exit_ta, EXIT_TA, UNDO},
        {&exit_larx, EXIT_LARX, UNDO},
        {&exit_bogus, EXIT_BOGUS, UNDO},
        {&exit_load_test_loop_lbz, EXIT_WAIT_ON_MEMORY, UNDO},
        {&exit_branch_self, EXIT_BRANCH_SELF, UNDO},
        {&exit_interrupt, EXIT_INTERRUPT, UNDO},
        {&exit_priv, EXIT_PRIV, UNDO},
        {&exit_hyper, EXIT_HYPER, UNDO},
        {&exit_fetch, EXIT_FETCH, DONE},
        {&exit_pa_pctrigger, EXIT_PA_PCTRIGGER, UNDO},
        {&exit_ea_pctrigger, EXIT_EA_PCTRIGGER, UNDO},
        {&exit_msr_w_regtrigger, EXIT_MSR_W_REGTRIGGER, UNDO},
    };
    for (const StubRow &row : stubs)
        emit_stub(s, row);
    fetch = sink_xpc(s);
    jit_gotoi(x);
}

void jit_start_inst(xframe *x, uint32_t word, uint32_t kind, int32_t count)
{
    sink *s = xframe_sink(x);
    GenericMachine *machine = machine_of(x);

    if (trc_is_active(TRACE_INSTRUCTION_METHOD)) emit_instruction_record(x, word);

    if (x->frame && x->frame->check && !xframe_is_standalone(x)) {
        emit_mov_imm64(s, HOST_RAX, x->cursor);
        emit_cmp_mem_imm32(s, HOST_RAX, stored_form(x, word));
        emit_jcc(s, CC_NE, exit_xflush);
    }

    if (count != -1) {
        emit_cmp_imm32(s, JIT_TOGO, (uint32_t)count, 0);
        emit_jcc(s, CC_L, exit_limit);
    }

    bool counted = false;
    if (imix_is_on()) {
        bytes(s, {0x41, 0xB9});
        emit_imm32(s, kind); // mov r9d, kind
        emit_mov_load(s, HOST_R10, disp_turbo(imix_table), JIT_THREAD, 1);
        bytes(s, {0x4B, 0xFF, 0x04, 0xCA}); // inc qword [r10 + r9*8]
        counted = true;
    }
    x->profile = nullptr;
    if (prof_is_on()) {
        uint32_t slot = (uint32_t)((x->cursor & 0xFFF) / 4);
        prof_entry *entry = prof_lookup(word, slot, x->frame ? x->frame->pa : 0);
        x->profile = entry;
        uint64_t address = reinterpret_cast<uint64_t>(entry);
        if (trc_is_active(TRACE_INSTRUCTION_METHOD)) {
            emit_mov_imm64(s, HOST_R9, address);
            emit_mov_store(s, disp_turbo(trace_entry), JIT_THREAD, HOST_R9, 1);
        }
        emit_mov_imm64(s, HOST_R9, address);
        if (machine && machine->mode == MODE_PTURBO) sink_emit1(s, 0xF0);
        bytes(s, {0x49, 0xFF, 0x81, 0x08, 0, 0, 0}); // inc qword [r9 + 8]
        bytes(s, {0x49, 0x89, 0xB1, 0x10, 0, 0, 0}); // mov [r9 + 16], rsi
        counted = true;
    }
    if (counted) {
        emit_mov_reg(s, HOST_R9, JIT_PC, xframe_mode64(x));
        emit_mov_store(s, disp_turbo(current_pc), JIT_THREAD, HOST_R9, 1);
    }

    emit_add_imm8(s, JIT_PC, 4, xframe_machine64(x));
    emit_add_imm8(s, JIT_TOGO, -1, 0);

    bool dynamic = false;
    if (debugging(machine, &dynamic)) {
        uint64_t skip = 0;
        if (dynamic) {
            emit_cmp_field_zero(s, disp_turbo(instruction_debug));
            bytes(s, {0x0F, 0x84, 0, 0, 0, 0});
            skip = sink_xpc(s);
        }
        emit_mov_store(s, disp_turbo(debug_togo), JIT_THREAD, JIT_TOGO, 0);
        emit_mov_imm64(s, HOST_RAX, x->cursor);
        emit_mov_reg(s, HOST_R9, HOST_RAX, 1);
        emit_mov_reg(s, HOST_R10, JIT_PC, 1);
        emit_add_imm32(s, HOST_R10, (uint32_t)-4, 1);
        emit_mov_imm64(s, HOST_R11, 0);
        jit_callout(s, HOST_R9, reinterpret_cast<const void *>(jit_debug_start_inst));
        if (skip) resolve_reference_here(s, skip);
    }

    xmm_next = XMM_POOL_FIRST;
    emit_counter_increment(x, 0);
}

void jit_end_inst(xframe *, uint32_t) {}

void jit_nop(xframe *, int) {}

void jit_end_frame(xframe *x)
{
    jit_gotoi(x);
    jit_fixups_resolve(x);
}

void jit_delay_1000(xframe *x)
{
    emit_jmp(xframe_sink(x), exit_delay_1000);
}
void jit_branch_self(xframe *x)
{
    emit_jmp(xframe_sink(x), exit_branch_self);
}
void jit_exit_bogus(xframe *x)
{
    emit_jmp(xframe_sink(x), exit_bogus);
}
void jit_exit_bit_accurate(xframe *x)
{
    emit_jmp(xframe_sink(x), exit_bit_accurate);
}
void jit_exit_msr_w_regtrigger(xframe *x)
{
    emit_jmp(xframe_sink(x), exit_msr_w_regtrigger);
}
void jit_exit_pa_pctrigger(xframe *x)
{
    emit_jmp(xframe_sink(x), exit_pa_pctrigger);
}
void jit_exit_htm(xframe *x)
{
    emit_jmp(xframe_sink(x), exit_htm);
}
void jit_exit_invalid(xframe *x)
{
    emit_jmp(xframe_sink(x), exit_invalid);
}
void jit_exit_mode(xframe *x)
{
    emit_jmp(xframe_sink(x), exit_mode);
}

void jit_check_fmadd(xframe *x)
{
    GenericMachine *machine = machine_of(x);
    if (machine && machine->turbo_fmadd) return;
    emit_jmp(xframe_sink(x), exit_fp);
}

void jit_exit_unknown(xframe *x, uint32_t kind, uint32_t detail)
{
    sink *s = xframe_sink(x);
    emit_mov_store_imm32(s, disp_turbo(unknown_kind), JIT_THREAD, kind, 0);
    emit_mov_store_imm32(s, disp_turbo(unknown_detail), JIT_THREAD, detail, 0);
    emit_jmp(s, exit_unknown);
}

void jit_skip(xframe *x)
{
    bytes(xframe_sink(x), {0x48, 0xC7, 0xC7, 0, 0, 0, 0}); // mov rdi, 0
    jit_exit_unknown(x, 0, 0);
}

void jit_support_halt(xframe *x)
{
    emit_mov_store_imm32(xframe_sink(x), disp_turbo(support_code), JIT_THREAD, 126, 1);
    jit_exit_bogus(x);
}

void jit_support(xframe *x)
{
    sink *s = xframe_sink(x);
    emit_mov_load(s, HOST_RAX, disp_GPR(3), JIT_THREAD, 0); // the low word, zero-extended
    emit_mov_store(s, disp_turbo(support_code), JIT_THREAD, HOST_RAX, 1);
    jit_exit_bogus(x);
}

void jit_exit_ea_pctrigger(xframe *x, uint64_t ea, int flag)
{
    sink *s = xframe_sink(x);
    if (flag) {
        emit_jmp(s, exit_ea_pctrigger);
        return;
    }
    emit_mov_imm64(s, HOST_R9, ea + 4);
    bytes(s, {0x49, 0x39, 0xF1}); // cmp r9, rsi
    emit_jcc(s, CC_E, exit_ea_pctrigger);
}

void jit_smt_priority(xframe *x, int32_t priority)
{
    if (priority == -1) return;
    sink *s = xframe_sink(x);
    emit_mov_imm32(s, HOST_R9, (uint32_t)priority, 1);
    jit_callout(s, HOST_R9, reinterpret_cast<const void *>(jit_set_priority));
    bytes(s, {0x41, 0x81, 0xF9, 1, 0, 0, 0}); // cmp r9d, 1
    emit_jcc(s, CC_E, exit_priority_change);
    bytes(s, {0x41, 0x81, 0xF9, 2, 0, 0, 0}); // cmp r9d, 2
    emit_jcc(s, CC_E, exit_priority_low_low);
}

void jit_check_priv(xframe *x)
{
    emit_msr_test32(xframe_sink(x), 0x4000);
    emit_jcc(xframe_sink(x), CC_NE, exit_priv);
}

void jit_check_fp(xframe *x, int flag)
{
    GenericMachine *machine = machine_of(x);
    sink *s = xframe_sink(x);
    if (flag == 0 && machine && (machine->emulate_fp || machine->bit_accurate)) {
        emit_jmp(s, exit_fp);
        return;
    }
    emit_msr_test32(s, 0x2000);
    emit_jcc(s, CC_E, exit_fp);
}

void jit_check_vmx(xframe *x, int flag)
{
    GenericMachine *machine = machine_of(x);
    sink *s = xframe_sink(x);
    if (flag && machine && machine->bit_accurate == 1) {
        emit_jmp(s, exit_fp);
        return;
    }
    emit_msr_and(s, MSR_VEC_BIT);
    emit_jcc(s, CC_E, exit_vmx);
}

void jit_check_vsx(xframe *x, int flag)
{
    GenericMachine *machine = machine_of(x);
    sink *s = xframe_sink(x);
    if (flag == 0 && machine && machine->bit_accurate) {
        emit_jmp(s, exit_fp);
        return;
    }
    emit_msr_and(s, MSR_VSX_BIT);
    emit_jcc(s, CC_E, exit_vsx);
}

void jit_check_exceptions_disabled(xframe *x)
{
    sink *s = xframe_sink(x);
    emit_mov_load(s, HOST_RAX, disp_FPSCR(), JIT_THREAD, 0);
    emit_and_imm32(s, HOST_RAX, 0xF8, 0);
    emit_jcc(s, CC_NE, exit_vsx);
}

void jit_check_ta(xframe *x)
{
    emit_msr_and(xframe_sink(x), MSR_TA_BIT);
    emit_jcc(xframe_sink(x), CC_E, exit_ta);
}

void jit_check_not_ta(xframe *x)
{
    sink *s = xframe_sink(x);
    emit_msr_and(s, MSR_TA_BIT);
    emit_cmp_imm32(s, HOST_RAX, 0, 1);
    emit_jcc(s, CC_NE, exit_ta);
}

void jit_check_not_le(xframe *x)
{
    sink *s = xframe_sink(x);
    emit_msr_and(s, 1);
    emit_cmp_imm32(s, HOST_RAX, 0, 1);
    emit_jcc(s, CC_NE, exit_little_endian);
}

void jit_align_check(xframe *x, int reg, uint32_t mask)
{
    sink *s = xframe_sink(x);
    emit_mov_reg(s, HOST_RAX, reg, xframe_machine64(x));
    emit_and_imm32(s, HOST_RAX, mask, 1);
    emit_jcc(s, CC_NE, exit_align);
}
