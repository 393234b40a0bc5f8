// System emitters: traps, mfmsr, mftb, the MSR writes and the system call.
#include "translator/x86/system.h"

#include <cstddef>
#include <initializer_list>

#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "translator/callouts.h"
#include "translator/turbo_reason.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/prologues.h"
#include "translator/x86/state_disp.h"
#include "translator/xframe.h"

namespace
{

enum : int { CC_A = 7, CC_G = 0xF };
constexpr uint32_t KIND_MFTB = 209, KIND_SC = 277;
constexpr int TBR_TBU = 269;

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

// One conditional jump to the "trap" stub per TO bit, after a compare of RA with the operand.
void trap_jumps(sink *s, int to)
{
    static const struct {
        int bit, cc;
    } conditions[] = {{0x10, CC_L}, {0x08, CC_G}, {0x04, CC_E}, {0x02, CC_B}, {0x01, CC_A}};
    for (const auto &c : conditions)
        if (to & c.bit) emit_jcc(s, c.cc, exit_trap);
}

// RA against RB: cmp r10, r9 in the width.
void trap_registers(xframe *x, int to, int ra, int rb, int wide)
{
    if (to == 0) return;
    sink *s = xframe_sink(x);
    emit_get_GPR(x, jit_temp0(), rb, wide);
    emit_get_GPR(x, jit_temp1(), ra, wide);
    bytes(s, {(uint8_t)(wide ? 0x4D : 0x45), 0x39, 0xCA});
    trap_jumps(s, to);
}

void trap_immediate(xframe *x, int to, int ra, int32_t si, int wide)
{
    if (to == 0) return;
    sink *s = xframe_sink(x);
    emit_get_GPR(x, jit_temp1(), ra, wide);
    emit_cmp_imm32(s, jit_temp1(), (uint32_t)si, wide);
    trap_jumps(s, to);
}

ProcessorState *core_of(xframe *x)
{
    MCM *chip = xframe_mcm(x);
    return chip && chip->machine ? GenericMachine__Processor(chip->machine, 0) : nullptr;
}

int32_t disp_thread(size_t offset)
{
    return (int32_t)offset;
}

} // namespace

void jit_tw(xframe *x, int to, int ra, int rb)
{
    trap_registers(x, to, ra, rb, 0);
}

void jit_td(xframe *x, int to, int ra, int rb)
{
    trap_registers(x, to, ra, rb, xframe_machine64(x));
}

void jit_twi(xframe *x, int to, int ra, int32_t si)
{
    trap_immediate(x, to, ra, si, 0);
}

void jit_tdi(xframe *x, int to, int ra, int32_t si)
{
    trap_immediate(x, to, ra, si, xframe_machine64(x));
}

void jit_mfmsr(xframe *x, int rt)
{
    sink *s = xframe_sink(x);
    ProcessorState *core = core_of(x);
    const int t0 = jit_temp0(), t1 = jit_temp1();
    emit_mov_load(s, t0, disp_MSR(), JIT_THREAD, 1);
    if (core && core->sim_msr_bit) {
        emit_mov_imm64(s, t1, core->sim_msr_bit);
        emit_or_reg(s, t0, t1, 1);
    }
    jit_set_GPR(x, rt, t0);
}

void jit_mftb(xframe *x, int rt, int tbr)
{
    sink *s = xframe_sink(x);
    const int t0 = jit_temp0(), t1 = jit_temp1();
    if (xframe_is_mftb(x)) {
        // The time base at the pass start plus one tick per instruction run so far.
        emit_mov_load(s, t0, disp_turbo(tb_at_entry[0]), JIT_THREAD, 1);
        emit_mov_load(s, t1, disp_turbo(togo), JIT_THREAD, 0);
        emit_sub_reg(s, t1, JIT_TOGO, 1);
        emit_add_reg(s, t0, t1, 1);
        emit_mov_store(s, disp_turbo(tb_at_entry[1]), JIT_THREAD, t0, 1);
        if (tbr == TBR_TBU) bytes(s, {0x49, 0xC1, 0xE9, 32}); // shr r9, 32
        jit_set_GPR(x, rt, t0);
        return;
    }
    // The parallel mode's time-base protocol is not built: its translations leave mftb to the
    // interpreter.
    if (xframe_is_pturbo(x)) {
        jit_exit_unknown(x, KIND_MFTB, 0);
        return;
    }
    // Left to the run loop, which synchronises time first (the instruction counts as done); a
    // thread in chunky mode leaves it to the interpreter.
    emit_cmp_field_zero(s, disp_thread(offsetof(ThreadState, chunk_mode)));
    bytes(s, {0x0F, 0x84, 0, 0, 0, 0}); // je over
    const uint64_t over = sink_xpc(s);
    jit_exit_unknown(x, KIND_MFTB, 0);
    resolve_reference_here(s, over);
    emit_mov_store_imm32(s, disp_turbo(mftb_rt), JIT_THREAD, (uint32_t)rt, 0);
    emit_mov_store_imm32(s, disp_turbo(mftb_spr), JIT_THREAD, (uint32_t)tbr, 0);
    emit_mov_store_imm32(s, disp_turbo(reason), JIT_THREAD, EXIT_MFTB, 0);
    emit_jmp(s, exit_common);
}

namespace
{

// After an MSR change call-out with its result in r9: 0 "msr (not done)", 1 "msr (done)", else
// the translation routines reloaded and on at the guest PC through the fetch routine (the
// translation mode may have changed).
void after_msr_change(xframe *x)
{
    sink *s = xframe_sink(x);
    bytes(s, {0x41, 0x81, 0xF9, 0, 0, 0, 0}); // cmp r9d, 0
    emit_jcc(s, CC_E, exit_msr_notdone);
    bytes(s, {0x41, 0x81, 0xF9, 1, 0, 0, 0}); // cmp r9d, 1
    emit_jcc(s, CC_E, exit_msr_done);
    emit_reload_routines(s);
    jit_gotoi(x);
}

void msr_write(xframe *x, int rs, int l, const void *callout)
{
    sink *s = xframe_sink(x);
    emit_get_GPR(x, jit_temp0(), rs, 1);
    emit_mov_imm32(s, jit_temp1(), (uint32_t)l, 0);
    emit_mov_store(s, disp_turbo(pc), JIT_THREAD, JIT_PC, 1);
    emit_mov_reg(s, jit_temp2(), JIT_TOGO, 0);
    jit_callout(s, jit_temp0(), callout);
    after_msr_change(x);
}

} // namespace

void jit_mtmsr(xframe *x, int rs, int l)
{
    msr_write(x, rs, l, reinterpret_cast<const void *>(jit_do_mtmsr));
}

void jit_mtmsrd(xframe *x, int rs, int l)
{
    msr_write(x, rs, l, reinterpret_cast<const void *>(jit_do_mtmsrd));
}

void jit_rfid(xframe *x)
{
    sink *s = xframe_sink(x);
    emit_mov_reg(s, jit_temp0(), JIT_TOGO, 0);
    emit_mov_reg(s, jit_temp1(), JIT_PC, 1);
    emit_mov_store(s, disp_turbo(pc), JIT_THREAD, JIT_PC, 1);
    jit_callout(s, jit_temp0(), reinterpret_cast<const void *>(jit_do_rfid));
    bytes(s, {0x41, 0x81, 0xF9, 0, 0, 0, 0}); // cmp r9d, 0
    emit_jcc(s, CC_E, exit_msr_notdone);
    emit_mov_load(s, JIT_PC, disp_turbo(pc), JIT_THREAD, 1); // SRR0
    bytes(s, {0x41, 0x81, 0xF9, 1, 0, 0, 0});                // cmp r9d, 1
    emit_jcc(s, CC_E, exit_msr_done);
    emit_reload_routines(s);
    jit_gotoi(x);
}

void jit_sc(xframe *x, int lev)
{
    sink *s = xframe_sink(x);
    // A thread in chunky mode leaves the system call to the interpreter.
    emit_cmp_field_zero(s, disp_thread(offsetof(ThreadState, chunk_mode)));
    bytes(s, {0x0F, 0x84, 0, 0, 0, 0}); // je over
    const uint64_t over = sink_xpc(s);
    jit_exit_unknown(x, KIND_SC, 0);
    resolve_reference_here(s, over);
    emit_mov_imm32(s, jit_temp0(), (uint32_t)lev, 0);
    emit_mov_reg(s, jit_temp1(), JIT_PC, 1);
    jit_callout(s, -1, reinterpret_cast<const void *>(jit_do_sc));
    emit_mov_load(s, JIT_PC, disp_turbo(pc), JIT_THREAD, 1); // the interrupt vector
    emit_reload_routines(s);
    jit_gotoi(x);
}
