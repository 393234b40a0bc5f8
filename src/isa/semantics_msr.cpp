// Interrupt returns and MSR moves: rfid, hrfid, rfi, rfebb, rfscv, mtmsr and mtmsrd.
//
// Each computes the new MSR from the old one and its source register under fixed masks, checks the
// transactional-state change, and writes MSR and the next-instruction address together
// (Write_MSR_And_NIA). In transactional state all but rfi fail the transaction and are skipped.
#include "decode/semantics.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/hooks/msr_with_pc.h"
#include "isa/register_moves.h"
#include "isa/semantics_helpers.h"
#include "mmu/tm_operations.h"
#include "mmu/transaction_guard.h"
#include "processor/hooks/htm.h"
#include "processor/records/thread_state.h"
#include "processor/regs/facility_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_services.h"
#include "runtime/plugin_events.h"

namespace
{

constexpr uint64_t RETURN_TO_PROBLEM_STATE = MSR_EE | MSR_IR | MSR_DR; // 0x8030
constexpr uint64_t RFI_SOURCE_MASK = 0x0780FFFFull;                    // the Ervik entry
constexpr uint64_t HRFID_MASK = 0xFFFFFFFF87C0FFFFull;
constexpr uint64_t TSRL_PRIORITY_5 = 5;
constexpr uint64_t BESCR_GE = 0x8000000000000000ull;

bool problem_state(IOPDesc *iop)
{
    return (iGET_MSR(iop) & MSR_PR) != 0;
}

int privileged(IOPDesc *iop)
{
    interrupt_PrivilegedInstruction(iop);
    return 0;
}

int illegal(IOPDesc *iop, const char *text)
{
    interrupt_IllegalInstruction(iop, text);
    return 0;
}

// With TAGS_ACTIVE: LE clears TA, then TA sets SF.
uint64_t tags_active_adjust(IOPDesc *iop, uint64_t msr)
{
    if (!IOP_Option(iop, PO_TAGS_ACTIVE)) return msr;
    if (msr & MSR_LE) msr &= ~MSR_TA;
    if (msr & MSR_TA) msr |= MSR_SF;
    return msr;
}

uint64_t sle_clear(uint64_t msr)
{
    return (msr & MSR_TA) ? msr & ~MSR_SLE : msr;
}

// The address to return to: whole in 64-bit mode, else its low word; word aligned.
uint64_t return_target(uint64_t source, uint64_t new_msr)
{
    if (!(new_msr & MSR_SF)) source &= 0xFFFFFFFFull;
    return source & ~3ull;
}

// 0 after the bad-thing interrupt when the transactional-state change is refused.
bool transition_allowed(IOPDesc *iop, uint64_t *new_msr, uint64_t old_msr, const char *name, const char *text)
{
    if (HTM_check_MSR_Transition(iop, new_msr, old_msr, name)) return true;
    interrupt_HTM_Bad_Thing(iop, text);
    return false;
}

// A return to problem state from priority 5 with PSPB 0 drops the thread to priority 4.
void priority_drop(IOPDesc *iop, uint64_t old_msr)
{
    if (old_msr & MSR_PR) return;
    if (!(iGET_MSR(iop) & MSR_PR)) return;
    const uint64_t tsrl = Read_TSRL_For_Instruction(iop);
    if ((tsrl >> 50) == TSRL_PRIORITY_5 && iGET_PSPB(iop) == 0) Drop_Thread_Priority_To_Medium(iop);
}

bool assist_thread_stopped(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if (!We_are_Assist_Thread(thread)) return false;
    Stop_One_Assist_Thread(thread, thread);
    return true;
}

int move_to_msr(IOPDesc *iop, bool doubleword)
{
    if (assist_thread_stopped(iop)) return 0;
    const char *name = doubleword ? "mtmsrd" : "mtmsr";
    if (doubleword) {
        if (!check_64bit_op_ok(iop)) return 0;
    } else if (!IOP_Option(iop, PO_MTMSR_SUPPORTED)) {
        return illegal(iop, name);
    }
    if (problem_state(iop)) return privileged(iop);
    if (Transaction_Guard(iop)) return 1;
    const uint32_t word = iop->word;
    const uint32_t l = (word >> 16) & 1;
    const uint64_t old_msr = iGET_MSR(iop);
    const uint64_t rs = IOP_Read_GPR(iop, FIELD_RS(word), OPERAND_S);
    ProcessorState *core = iop->thread->processor;
    uint64_t msr =
        doubleword ? micro_mtmsrd(core, l, old_msr, rs) : micro_mtmsr(core, l, old_msr, (uint32_t)rs);
    if (!transition_allowed(iop, &msr, old_msr, name, name)) return 0;
    const uint64_t cia = IOP_Current_Address(iop);
    const uint64_t next = cia + iop->length;
    Write_MSR_And_NIA(iop, msr, cia, next);
    if (doubleword && IOP_Option(iop, PO_MTMSRD_W_TRACE_INT_SETS_SRR0_64_BITS) && (old_msr & MSR_SE))
        IOP_Set_NIA(iop, next);
    priority_drop(iop, old_msr);
    // Switching to 64-bit mode at the last word of the 32-bit space continues at 0.
    if (doubleword && !(old_msr & MSR_SF) && (msr & MSR_SF) && cia == 0xFFFFFFFCull) IOP_Set_NIA(iop, 0);
    return 1;
}

} // namespace

int semantic_rfid(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_RFID_SUPPORTED)) return illegal(iop, "rfid");
    if (Transaction_Guard(iop)) return 1;
    if (problem_state(iop)) return privileged(iop);
    const uint64_t old_msr = iGET_MSR(iop);
    uint64_t msr = micro_rfid(iop->thread->processor, old_msr, iGET_SRR1(iop));
    msr = sle_clear(tags_active_adjust(iop, msr));
    if (!transition_allowed(iop, &msr, old_msr, "rfid", "rfid")) return 0;
    Event_Core_Exception_Return(iop->thread);
    const uint64_t cia = IOP_Current_Address(iop);
    Write_MSR_And_NIA(iop, msr, cia, return_target(iGET_SRR0(iop), msr));
    priority_drop(iop, old_msr);
    Signal_Core_Mode_Change(iop->thread, old_msr, msr);
    return 1;
}

int semantic_hrfid(IOPDesc *iop)
{
    if (problem_state(iop)) return privileged(iop);
    if (!(iGET_MSR(iop) & MSR_HV)) {
        if (!IOP_Option(iop, PO_IGNORE_HRFID_IN_NON_HYPERVISOR_STATE)) return privileged(iop);
        IOP_Advance_NIA(iop);
        return 1;
    }
    if (Transaction_Guard(iop)) return 1;
    const uint64_t old_msr = iGET_MSR(iop);
    const uint64_t hsrr1 = iGET_HSRR1(iop);
    const uint64_t m = iop->thread->processor->msr_mask & HRFID_MASK;
    uint64_t msr = (hsrr1 & m) | (old_msr & ~m);
    if (!transition_allowed(iop, &msr, old_msr, "hrfid", "hrfid")) return 0;
    Event_Core_Exception_Return(iop->thread);
    if (hsrr1 & MSR_PR) msr |= RETURN_TO_PROBLEM_STATE;
    msr = sle_clear(tags_active_adjust(iop, msr));
    // hrfid leaves CFAR alone.
    IOP_Set_NIA(iop, return_target(iGET_HSRR0(iop), msr));
    WRITE_MSR_WITH_PC(iop, msr, 0, 0);
    priority_drop(iop, old_msr);
    Signal_Core_Mode_Change(iop->thread, old_msr, msr);
    return 1;
}

int semantic_rfi(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_RFI_SUPPORTED)) return illegal(iop, "rfi");
    if (problem_state(iop)) return privileged(iop);
    Event_Core_Exception_Return(iop->thread);
    const uint64_t old_msr = iGET_MSR(iop);
    const uint64_t m = RFI_SOURCE_MASK & iop->thread->processor->msr_mask;
    uint64_t msr = (old_msr & ~m) | (iGET_SRR1(iop) & m) | (old_msr & MSR_HV);
    if (old_msr & MSR_ME) msr |= MSR_ME;
    msr = tags_active_adjust(iop, msr);
    const uint64_t cia = IOP_Current_Address(iop);
    Write_MSR_And_NIA(iop, msr, cia, return_target(iGET_SRR0(iop), msr));
    priority_drop(iop, old_msr);
    Signal_Core_Mode_Change(iop->thread, old_msr, msr);
    return 1;
}

int semantic_rfebb(IOPDesc *iop)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    if (!Facility_Gate(iop, FACILITY_EBB, "rfebb")) return 0;
    if (Transaction_Guard(iop)) {
        htm_handle_failure(iop);
        return 0;
    }
    const uint64_t old_msr = iGET_MSR(iop);
    const uint64_t bescr = iGET_BESCR(iop);
    uint64_t msr = (old_msr & ~MSR_TS) | (((bescr >> 30) & 3) << 33);
    if (!transition_allowed(iop, &msr, old_msr, "rfebb", "rfebb HTM_check_MSR_Transition")) return 0;
    const uint64_t s = (iop->word >> 11) & 1;
    iSET_BESCR(iop, (bescr & ~BESCR_GE) | (s << 63));
    Event_Core_Exception_Return(iop->thread);
    const uint64_t cia = IOP_Current_Address(iop);
    Write_MSR_And_NIA(iop, msr, cia, return_target(iGET_EBBRR(iop), tags_active_adjust(iop, msr)));
    return 1;
}

int semantic_rfscv(IOPDesc *iop)
{
    if (!Tags_Active(iop)) return illegal(iop, "rfscv");
    if (problem_state(iop)) return privileged(iop);
    if (Transaction_Guard(iop)) return 1;
    const uint64_t old_msr = iGET_MSR(iop);
    const uint64_t ctr = iGET_CTR(iop);
    const bool v205 = (iGET_PCR(iop) & 0x2) != 0;
    const uint64_t sel =
        (v205 ? 0xFBFFFFFF8740FFFFull : 0xFBFFFFFF8540DFFFull) & iop->thread->processor->msr_mask;
    const uint64_t keep = v205 ? 0x1400000000841001ull : 0x1400000002843001ull;
    uint64_t t = (old_msr & ~sel) | (ctr & sel);
    const bool ctr_pr = (ctr & MSR_PR) != 0;
    auto put = [&t](uint64_t bit, bool on) { t = on ? t | bit : t & ~bit; };
    put(MSR_TA, !(old_msr & MSR_LE) && (ctr & MSR_TA));
    put(MSR_SF, (t & MSR_TA) || (ctr & MSR_SF));
    put(MSR_EE, ctr_pr || (ctr & MSR_EE));
    put(MSR_IR, ctr_pr || (ctr & MSR_IR));
    put(MSR_DR, ctr_pr || (ctr & MSR_DR));
    uint64_t msr = (t & ~keep) | (old_msr & keep);
    if (old_msr & MSR_LE)
        msr &= ~MSR_TA;
    else if (t & MSR_TA)
        msr |= MSR_SF;
    if (ctr_pr) msr |= RETURN_TO_PROBLEM_STATE;
    if (!transition_allowed(iop, &msr, old_msr, "rfscv", "rfscv")) return 0;
    Event_Core_Exception_Return(iop->thread);
    msr = tags_active_adjust(iop, msr);
    const uint64_t cia = IOP_Current_Address(iop);
    Write_MSR_And_NIA(iop, msr, cia, return_target(iGET_LR(iop), msr));
    priority_drop(iop, old_msr);
    return 1;
}

int semantic_mtmsr(IOPDesc *iop)
{
    return move_to_msr(iop, false);
}

int semantic_mtmsrd(IOPDesc *iop)
{
    return move_to_msr(iop, true);
}
