// The call-outs of MSR writes and system calls in translated code: mtmsr and mtmsrd through the
// shared MSR change, and sc entering the system-call interrupt in place.
#include "interrupts/exception_table.h"
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_msr.h"
#include "interrupts/msr_write.h"
#include "interrupts/hooks/translator_hooks.h"
#include "isa/hooks/syscall_trigger.h"
#include "isa/hooks/trace_events.h"
#include "processor/config/processor_options.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "processor/time/time_registers.h"
#include "translator/callouts.h"
#include "translator/current_emat.h"
#include "translator/turbo_go.h"

namespace
{

constexpr uint64_t MSR_TM_BITS = 0x700000000ull;
constexpr uint64_t MSR_TA_OR_LE = 0x4000000000000001ull;
constexpr int32_t EXC_TYPE_SYSTEM_CALL = 3, EXC_TYPE_HV_SYSTEM_CALL = 27;

uint64_t msr_change(ThreadState *thread, IOPDesc *record, uint64_t old_msr, uint64_t new_msr, uint32_t left,
                    int is_rfid)
{
    turbo_s &turbo = thread->turbo;
    if (thread->chunk_mode || ((old_msr ^ new_msr) & MSR_TM_BITS)) return 0;
    // A core whose MSR mask is not configured yet keeps every bit, as the interpreter's write does.
    if (thread->processor && thread->processor->msr_mask) new_msr = WriteMSR_fixup(record, old_msr, new_msr);
    if ((old_msr ^ new_msr) & MSR_TA_OR_LE) return 0;
    if (!GET_CURRENT_EMAT(thread, new_msr, 1) || !GET_CURRENT_EMAT(thread, new_msr, 0)) return 0;
    const uint64_t pc_before = turbo.pc;
    Set_New_MSR(thread, new_msr);
    if (is_rfid) {
        // The return address as the interpreter takes it: word-aligned, 32 bits outside SF mode.
        uint64_t target = thread->SRR0.value & ~3ull;
        if (!(new_msr & MSR_SF)) target &= 0xFFFFFFFFull;
        turbo.pc = target;
    }
    WriteMSR_interrupts(record, old_msr, new_msr, pc_before, turbo.pc, __FILE__, __LINE__);
    if (CheckInterrupts(record, 0)) return 1;
    turbo_update_xlate(thread);
    if (!thread->turbo.in_pturbo) {
        const uint32_t n = left + 1;
        if (ThreadState__DecLimits(thread, turbo.togo - n, n) < n) return 1;
    }
    return 2;
}

} // namespace

uint64_t jit_do_msr_change(ThreadState *thread, uint64_t old_msr, uint64_t new_msr, uint64_t left,
                           int is_rfid) noexcept
{
    IOPDesc record;
    INITIAL_IOP(&record, thread);
    TRC_BEFORE_JIT_HELPER(thread);
    const uint64_t result = msr_change(thread, &record, old_msr, new_msr, (uint32_t)left, is_rfid);
    TRC_AFTER_JIT_HELPER(thread);
    // What the re-checks filed on the temporary record goes back to the pool; asynchronous
    // interrupts stay queued on the thread.
    Discard_Instruction_Bound_Exceptions(&record, 0);
    return result;
}

uint64_t jit_do_mtmsr(ThreadState *thread, uint64_t rs, uint64_t l, uint64_t left) noexcept
{
    const uint64_t old_msr = thread->MSR.value;
    return jit_do_msr_change(thread, old_msr,
                             micro_mtmsr(thread->processor, (uint32_t)l, old_msr, (uint32_t)rs), left, 0);
}

uint64_t jit_do_mtmsrd(ThreadState *thread, uint64_t rs, uint64_t l, uint64_t left) noexcept
{
    const uint64_t old_msr = thread->MSR.value;
    return jit_do_msr_change(thread, old_msr, micro_mtmsrd(thread->processor, (uint32_t)l, old_msr, rs), left,
                             0);
}

uint64_t jit_do_rfid(ThreadState *thread, uint64_t left, uint64_t pc, uint64_t) noexcept
{
    const uint64_t old_msr = thread->MSR.value;
    const uint64_t new_msr = micro_rfid(thread->processor, old_msr, thread->SRR1.value);
    // A return to problem state may lower the SMT priority: the interpreter's.
    if (!(old_msr & MSR_PR) && (new_msr & MSR_PR)) return 0;
    const uint64_t result = jit_do_msr_change(thread, old_msr, new_msr, left, 1);
    if (result) tCOOKED_SET_CFAR(thread, pc - 4, 0);
    return result;
}

uint64_t jit_do_sc(ThreadState *thread, uint64_t lev, uint64_t pc, uint64_t) noexcept
{
    IOPDesc record;
    INITIAL_IOP(&record, thread);
    TRC_BEFORE_JIT_HELPER(thread);
    const uint64_t msr = thread->MSR.value;
    // The interpreter's system-call triggers run for the plain form.
    if (lev != 1) Trigger_Syscall__Check(thread->machine, thread, thread->GPR[0].value);
    uint64_t return_address = pc;
    if (thread->processor && thread->processor->options[PO_POWERPC_V2] && !(msr & MSR_SF))
        return_address &= 0xFFFFFFFFull;
    return_address &= ~3ull;
    tCOOKED_SET_SRR1(thread, msr, 0);
    tCOOKED_SET_SRR0(thread, return_address, 0);
    const int32_t type = lev == 1 ? EXC_TYPE_HV_SYSTEM_CALL : EXC_TYPE_SYSTEM_CALL;
    turbo_s &turbo = thread->turbo;
    turbo.pc = Compute_New_PC_For_Exception(&record, msr, type, ExceptionInterruptAddress(type));
    const uint64_t new_msr = Compute_New_MSR_For_Exception(&record, msr, type, lev == 1);
    Set_New_MSR(thread, new_msr);
    trc_mode_change(new_msr, pc, turbo.pc);
    turbo_update_xlate(thread);
    TRC_AFTER_JIT_HELPER(thread);
    Discard_Instruction_Bound_Exceptions(&record, 0);
    return 0;
}
