// System call, traps and power saving: sc, scv, tw, twi, td, tdi, txer, nap, doze, sleep, winkle,
// waitasec and the wait instruction.
//
// The system calls and traps raise their interrupt and return 1 without advancing: the interrupt
// records the address to return to. In standalone mode (programs without an operating system)
// "sc" and "scv" are served by the Linux system-call emulation instead and advance.
#include "decode/semantics.h"
#include "interrupts/decrementer_wakeup.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/hooks/linux_syscall.h"
#include "isa/hooks/syscall_trigger.h"
#include "isa/semantics_helpers.h"
#include "isa/system_instructions.h"
#include "memory/memory_map.h"
#include "mmu/transaction_guard.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/spr/spr_services.h"

namespace
{

constexpr uint32_t SC_LEV_BIT = 0x20;
constexpr uint64_t HID1_POWER_SAVING_ALLOWED = 0x0080000002000000ull;
constexpr uint64_t SIM_CTRL_WAITASEC_DISABLE = 0x400000000ull; // bit 34
constexpr uint64_t SIM_CTRL1_WAITASEC_IN_SUSPEND = 0x8000000000000000ull;
constexpr int32_t TM_CAUSE_DISALLOWED = 0x1800000;

// TO bits of the traps.
constexpr uint32_t TO_SIGNED_LESS = 16, TO_SIGNED_GREATER = 8, TO_EQUAL = 4, TO_UNSIGNED_LESS = 2,
                   TO_UNSIGNED_GREATER = 1;

// An assist thread executing the instruction stops itself; true when it did.
bool assist_thread_stopped(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if (!We_are_Assist_Thread(thread)) return false;
    Stop_One_Assist_Thread(thread, thread);
    return true;
}

// The ordinary trap conditions of TO on a and b; `suppressed` holds the TO bits that do not trap.
bool trap_condition(uint32_t to, int64_t a, int64_t b, uint32_t suppressed = 0)
{
    to &= ~suppressed;
    return ((to & TO_SIGNED_LESS) && a < b) || ((to & TO_SIGNED_GREATER) && a > b) ||
           ((to & TO_EQUAL) && a == b) || ((to & TO_UNSIGNED_LESS) && (uint64_t)a < (uint64_t)b) ||
           ((to & TO_UNSIGNED_GREATER) && (uint64_t)a > (uint64_t)b);
}

// The tagged-address rules of "td" and "tdi" in tags-active mode (TO 28, 29, 30).
bool tagged_trap(uint32_t to, uint64_t a, uint64_t b)
{
    const uint64_t hi_a = a >> 48, hi_b = b >> 48;
    const uint64_t mid_a = (a >> 24) & 0xFFFFFF, mid_b = (b >> 24) & 0xFFFFFF;
    if (to == 28 && !(hi_a == hi_b && (hi_a == 0 || (mid_a == mid_b && (int64_t)a >= (int64_t)b))))
        return true;
    if (to == 29 && (hi_a != hi_b || (hi_a != 0 && mid_a != mid_b))) return true;
    if (to == 30 && (a >> 24) != (b >> 24)) return true;
    uint32_t suppressed = 0;
    if (to == 28 || to == 29) suppressed |= TO_SIGNED_LESS;
    if (to >= 28 && to <= 30) suppressed |= TO_SIGNED_GREATER | TO_EQUAL;
    if (to == 29) suppressed |= TO_UNSIGNED_GREATER;
    return trap_condition(to, (int64_t)a, (int64_t)b, suppressed);
}

// Raises the trap interrupt when the condition holds, else advances; 1 either way.
int trap_or_advance(IOPDesc *iop, bool trap)
{
    if (trap)
        interrupt_TrapInstruction(iop);
    else
        IOP_Advance_NIA(iop);
    return 1;
}

uint64_t read_ra(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, FIELD_RA(iop->word), OPERAND_A);
}

uint64_t read_rb(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B);
}

int doubleword_trap(IOPDesc *iop, uint64_t a, uint64_t b)
{
    const uint32_t to = FIELD_RT(iop->word);
    bool trap = Tags_Active(iop) ? tagged_trap(to, a, b) : trap_condition(to, (int64_t)a, (int64_t)b);
    return trap_or_advance(iop, trap);
}

// The refusal of a power-saving instruction: privileged instruction when they are valid in
// hypervisor state only, else illegal instruction.
int refuse_power_saving(IOPDesc *iop, const char *name)
{
    if (IOP_Option(iop, PO_NAP_OPS_VALID_HV_MODE_ONLY))
        interrupt_PrivilegedInstruction(iop);
    else
        interrupt_IllegalInstruction(iop, name);
    return 0;
}

int power_saving(IOPDesc *iop, int32_t mode, const char *name)
{
    if (assist_thread_stopped(iop)) return 0;
    if (!IOP_Option(iop, PO_POWERPC_V202)) return refuse_power_saving(iop, name);
    const uint64_t msr = iGET_MSR(iop);
    const bool hypervisor = (msr & MSR_HV) && !(msr & MSR_PR);
    if (!(iGET_HID1(iop) & HID1_POWER_SAVING_ALLOWED) && !hypervisor) return refuse_power_saving(iop, name);
    if (Transaction_Guard(iop)) return 1;
    if ((iGET_MSR(iop) & MSR_TS) == MSR_TS_SUSPENDED) {
        interrupt_HTM_Bad_Thing(iop, name);
        return 0;
    }
    ThreadState *thread = iop->thread;
    if (thread->machine && thread->machine->we_bit_ignored) {
        IOP_Advance_NIA(iop);
        return 1;
    }
    // The thread resumes through its wake-up interrupt: the next address is not advanced.
    SMTA_Inst_Stop_Thread(iop, mode);
    CheckExceptionQueueForWakeup(thread);
    return SMTA_Check_Thread_Enabled(thread) ? 0 : 1;
}

// Stops the thread by an instruction: the run state, then disabled.
void stop_thread(ThreadState *thread, bool wait_state, const char *text, int32_t reason)
{
    if (wait_state)
        Thread_WaitState(thread, text, reason);
    else
        Thread_StallState(thread, text, reason);
    SMTA_Set_Thread_Disabled(thread);
}

} // namespace

// ---- system calls ----

int semantic_sc(IOPDesc *iop)
{
    if (assist_thread_stopped(iop)) return 0;
    const uint32_t word = iop->word;
    if (!IOP_Option(iop, PO_SC00_FORM_SUPPORTED) && (word & 3) == 0) {
        interrupt_IllegalInstruction(iop, "SC00 form is not allowed");
        return 0;
    }
    if (standalone_mode) {
        HandleSystemCall(iop);
        IOP_Advance_NIA(iop);
        return 1;
    }
    if (word & SC_LEV_BIT) {
        interrupt_HvSystemCall(iop);
    } else {
        ThreadState *thread = iop->thread;
        Trigger_Syscall__Check(thread->machine, thread, thread->GPR[0].value);
        interrupt_SystemCall(iop);
    }
    return 1;
}

int semantic_scv(IOPDesc *iop)
{
    if (assist_thread_stopped(iop)) return 0;
    if (!IOP_Option(iop, PO_SCV_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "scv");
        return 0;
    }
    if (!Tags_Active(iop)) {
        interrupt_IllegalInstruction(iop, "scv in non-tags-active mode");
        return 0;
    }
    if (standalone_mode) {
        HandleSystemCall(iop);
        IOP_Advance_NIA(iop);
        return 1;
    }
    interrupt_VectoredSystemCall(iop, (iop->word >> 5) & 0x7F);
    return 1;
}

// ---- traps ----

int semantic_tw(IOPDesc *iop)
{
    int64_t a = (int32_t)read_ra(iop);
    int64_t b = (int32_t)read_rb(iop);
    return trap_or_advance(iop, trap_condition(FIELD_RT(iop->word), a, b));
}

int semantic_twi(IOPDesc *iop)
{
    int64_t a = (int32_t)read_ra(iop);
    int64_t b = (int64_t)FIELD_SI(iop->word);
    return trap_or_advance(iop, trap_condition(FIELD_RT(iop->word), a, b));
}

int semantic_td(IOPDesc *iop)
{
    if (!check_64bit_op_ok(iop)) return 0;
    uint64_t a = read_ra(iop);
    uint64_t b = read_rb(iop);
    return doubleword_trap(iop, a, b);
}

int semantic_tdi(IOPDesc *iop)
{
    if (!check_64bit_op_ok(iop)) return 0;
    uint64_t a = read_ra(iop);
    return doubleword_trap(iop, a, FIELD_SI(iop->word));
}

int semantic_txer(IOPDesc *iop)
{
    if (!Tags_Active(iop)) {
        interrupt_IllegalInstruction(iop, "txer");
        return 0;
    }
    const uint32_t word = iop->word;
    const uint32_t n = (word >> 7) & 0xF;
    const uint32_t expected = (word >> 21) & 1;
    uint32_t value = 0;
    if (n <= 11) {
        const uint64_t bit = 1ull << (31 - n);
        XER_Mark_Read(iop, (n == 0 || n == 8) ? xr_mask[XR_SO_COUNT] : bit);
        value = (IOP_XER_Value(iop) & bit) != 0;
    }
    if (value == expected) {
        interrupt_TrapInstruction(iop);
        return 0;
    }
    IOP_Advance_NIA(iop);
    return 1;
}

// ---- power saving and waits ----

int semantic_nap(IOPDesc *iop)
{
    return power_saving(iop, POWER_NAP, "nap");
}
int semantic_doze(IOPDesc *iop)
{
    return power_saving(iop, POWER_DOZE, "doze");
}
int semantic_sleep(IOPDesc *iop)
{
    return power_saving(iop, POWER_SLEEP, "sleep");
}
int semantic_winkle(IOPDesc *iop)
{
    return power_saving(iop, POWER_WINKLE, "winkle");
}

int semantic_waitasec(IOPDesc *iop)
{
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_WAITASEC_DISABLE) {
        interrupt_IllegalInstruction(iop, "SIM_CTRL_AS_disable");
        return 0;
    }
    if (!PCR_Gate_v2_06(iop)) return 0;
    ThreadState *thread = iop->thread;
    const uint64_t msr = iGET_MSR(iop);
    const uint64_t ts = msr & MSR_TS;
    const bool allowed_in_suspend =
        (iGET_SIM_CTRL1(iop) & SIM_CTRL1_WAITASEC_IN_SUSPEND) && ts == MSR_TS_SUSPENDED;
    if (!allowed_in_suspend && ts != 0) {
        HTM_Debug_Failure(iop, "Unsupported instruction: 'waitasec' in Transactional or Suspend mode.");
        htm_record_failure(thread, TM_CAUSE_DISALLOWED, IOP_Current_Address(iop), 1, 0, msr);
        if (ts == MSR_TS_TRANSACTIONAL) return 1;
    }
    if (thread->wake_send_pending)
        thread->wake_send_pending = 0;
    else
        stop_thread(thread, true, "waitasec instruction", STALL_WAITASEC);
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_wait(IOPDesc *iop)
{
    const uint32_t wc = (iop->word >> 21) & 3;
    if (wc == 3) {
        IOP_Advance_NIA(iop);
        return 1;
    }
    if (Transaction_Guard(iop)) return 1;
    ThreadState *thread = iop->thread;
    if (wc != 1 || !IOP_Option(iop, PO_CAN_WAIT_FOR_RESERVERATION)) {
        stop_thread(thread, false, "wait instruction", STALL_WAIT);
    } else if (htm_check_S_with_reservation_in_T(thread)) {
        HTM_Debug_Failure(iop, "'waitrsc' in Suspended mode with reservation taken in Transactional mode.");
    } else if (thread->memory_client && thread->memory_client->reservation_valid) {
        stop_thread(thread, false, "waitrsv instruction", STALL_WAITRSV);
    }
    IOP_Advance_NIA(iop);
    return 1;
}
