// SPR routines of the program-priority registers: SPR 896 (the thread's TSRL), SPR 898 (its 32-bit
// view) and the tool access of SPR 897 (the other thread's priority).
#include "processor/regs/handwritten_accessors.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/register_slot.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_moves.h"
#include "processor/spr/spr_routines.h"

namespace
{

constexpr uint64_t PRIORITY_FIELD = 0x001C000000000000ull;
constexpr uint64_t PRIORITY_FIELD_32 = 0x1C0000ull;
constexpr uint64_t PRIORITY_4 = 0x0010000000000000ull;
constexpr uint32_t TSCR_SUPERVISOR_SETS = 0x10000;
constexpr uint32_t TSCR_PROBLEM_SETS = 0x8000;

uint64_t read_tsrl(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    uint64_t value = COOKED_GET_TSRL(thread, REG_ACCESS_MOVE_FROM);
    Invoke_SPR_Read_Triggers(iop, thread->TSRL.trigger, value);
    return value;
}

// Decides a priority request p (new: the value with only the priority field). False when nothing
// is to be written; otherwise *result is the new value when granted, else the old one.
bool priority_request(IOPDesc *iop, uint32_t p, uint64_t new_value, uint64_t *result)
{
    ThreadState *thread = iop->thread;
    const bool problem = In_Problem_State(iop) != 0;
    const bool hypervisor = Is_Hypervisor_State(iop) != 0;
    const bool supervisor = !problem && !hypervisor;
    if (problem && (iGET_PCR(iop) & 0x4) && p == 5) return false;

    const uint32_t tscr = iGET_TSCR(iop);
    const uint32_t pspb = iGET_PSPB(iop);
    const uint64_t old = read_tsrl(iop);
    if (problem && p == 5 && pspb == 0) {
        p = 4;
        new_value = PRIORITY_4;
    }
    const bool not_controlled = SPR_Option(iop, PO_TSCR_DOES_NOT_CONTROL_PRIORITY) != 0;
    bool granted = (hypervisor && p != 0) ||
                   (supervisor && ((tscr & TSCR_SUPERVISOR_SETS) || not_controlled) && p >= 1 && p <= 6) ||
                   (((tscr & TSCR_PROBLEM_SETS) || not_controlled) && p >= 1 && p <= (pspb ? 5u : 4u));
    if (granted && p == 1 && problem) {
        const uint64_t hid1_bit = 1ull << (52 - (SPR_Partition_Slot(thread) & 3));
        if (thread->processor->HID1.value & hid1_bit) granted = false;
    }
    if (!not_controlled) {
        if (supervisor && !(tscr & TSCR_SUPERVISOR_SETS)) return false;
        if (problem && !(tscr & TSCR_PROBLEM_SETS)) return false;
    }
    *result = granted ? new_value : old;
    return true;
}

void mark_tsrl_changed(ThreadState *thread)
{
    RegBits_Mark(&thread->TSRL.bits_written, Register_Entry_Mask(thread->TSRL.rfe));
}

} // namespace

void MT_PPR32(IOPDesc *iop, uint64_t value)
{
    if (SPR_Version_206_Gate(iop)) return;
    ThreadState *thread = iop->thread;
    const auto p = (uint32_t)((value >> 18) & 7);
    uint64_t result;
    if (!priority_request(iop, p, (value & PRIORITY_FIELD_32) << 32, &result)) return;
    uint64_t old = COOKED_GET_TSRL(thread, REG_ACCESS_INSTRUCTION);
    Invoke_SPR_Write_Triggers(iop, thread->TSRL.trigger, old, result);
    COOKED_SET_TSRL(thread, result);
    mark_tsrl_changed(thread);
}

void MT_TSRL(IOPDesc *iop, uint64_t value)
{
    ThreadState *thread = iop->thread;
    const auto p = (uint32_t)((value >> TSRL_PRIORITY_SHIFT) & 7);
    uint64_t result;
    if (!priority_request(iop, p, value & PRIORITY_FIELD, &result)) return;
    smt_WriteTSRL(thread, result);
    mark_tsrl_changed(thread);
}

uint64_t MF_TSRL(IOPDesc *iop, int32_t *)
{
    return read_tsrl(iop);
}

uint64_t MF_PPR32(IOPDesc *iop, int32_t *leave)
{
    if (SPR_Version_206_Gate(iop)) {
        *leave = 1;
        return 0;
    }
    uint64_t value = read_tsrl(iop);
    if (!SPR_Option(iop, PO_SERVER_PPR32)) return value;
    SPR_Write_Target(iop, value >> 32);
    *leave = 1;
    return 0;
}

namespace
{
ThreadState *tsr1_thread(ThreadState *thread)
{
    return thread->processor && thread->processor->num_threads > 1 ? OTHER_THREAD(thread) : thread;
}
} // namespace

uint64_t xGUESS_TSR1(ThreadState *thread, uint32_t)
{
    return COOKED_GET_TSRL(tsr1_thread(thread), REG_ACCESS_COMMAND) & ~0xFFFFFull;
}

void xFORCE_TSR1(ThreadState *thread, uint64_t value, uint32_t)
{
    COOKED_SET_TSRL(tsr1_thread(thread), value & ~0xFFFFFull);
}
