// Branches: b (I-form), bc (B-form), bclr/bctar and bcctr (XL-form). Each sets the next-instruction
// address itself (IOP_Advance_NIA only on the not-taken path) and, when taken, feeds the
// branch-history buffer, the call-signature filter, CFAR and the loaded trace libraries.
//
// Cycle-model form: CTR arrives in operand slot A, LR in operand slot B, the CR as the CR operand;
// a new CTR goes to the first GPR result slot and a new LR to the second.
#include "decode/semantics.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/hooks/branch_history.h"
#include "isa/hooks/trace_events.h"
#include "isa/semantics_helpers.h"
#include "processor/hooks/machine_trigger_table.h"
#include "processor/hooks/sim_support_halt.h"
#include "processor/prints/instruction_prints.h"
#include "processor/regs/facility_bits.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/triggers.h"
#include "runtime/utils.h"

namespace
{

constexpr uint32_t BO_NO_CR_TEST = 0x10;
constexpr uint32_t BO_CR_VALUE = 0x08;
constexpr uint32_t BO_NO_DECREMENT = 0x04;
constexpr uint32_t BO_ON_ZERO = 0x02;

// The branch's view of the thread: CIA and addressing mode.
struct BranchContext {
    uint64_t cia;
    bool mode64;
};

BranchContext context(IOPDesc *iop)
{
    return {IOP_Current_Address(iop), (iGET_MSR(iop) & MSR_SF) != 0};
}

// An address as the mode uses it: cut to 32 bits in 32-bit mode, the two low bits cleared.
uint64_t adjust(const BranchContext &c, uint64_t address)
{
    if (!c.mode64) address &= 0xFFFFFFFFull;
    return address & ~3ull;
}

uint64_t read_ctr(IOPDesc *iop)
{
    return iop->use_slots ? iop->operand_slot1[0] : iGET_CTR(iop);
}

uint64_t read_lr(IOPDesc *iop)
{
    return iop->use_slots ? iop->operand_slot2[0] : iGET_LR(iop);
}

void write_ctr(IOPDesc *iop, uint64_t value)
{
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr1, value);
    else
        iSET_CTR(iop, value);
}

void write_lr(IOPDesc *iop, uint64_t value)
{
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr2, value);
    else
        iSET_LR(iop, value);
}

// The link value: the address after the branch.
void link(IOPDesc *iop, const BranchContext &c)
{
    write_lr(iop, adjust(c, c.cia + iop->length));
}

// The branch event of a listening trace library.
void trace(IOPDesc *iop, const BranchContext &c, uint64_t target, bool taken, bool unconditional)
{
    if (!trc_is_active(TRC_EVENT_BRANCH)) return;
    uint64_t pa = iop->fetch.pa;
    prof_entry *entry = prof_lookup(iop->word, (uint32_t)((pa >> 2) & 0x3FF), pa & ~0xFFFull);
    trc_branch(c.cia, target, taken, entry, iop->word, unconditional);
}

// The side effects of a taken branch.
void take(IOPDesc *iop, const BranchContext &c, uint64_t target, uint64_t count)
{
    uint32_t lk = FIELD_LK(iop->word);
    BHRB_taken_branch_filter(iop, c.cia, target, lk);
    CSIG_taken_branch_call_filter(iop, c.cia, target, lk, count);
    iSET_CFAR(iop, c.cia);
    IOP_Set_NIA(iop, target);
}

// The counter test of BO on the CTR before its decrement: the decremented count is zero exactly
// when CTR is 1 (its low word in 32-bit mode), and BO's branch-on-zero bit says which outcome
// branches. True when it passes.
bool counter_test(uint32_t bo, uint64_t ctr, const BranchContext &c)
{
    uint64_t seen = c.mode64 ? ctr : (ctr & 0xFFFFFFFFull);
    return (seen == 1) == ((bo & BO_ON_ZERO) != 0);
}

// The condition test of BO on CR bit BI (read from the CR); true when it passes.
bool condition_test(IOPDesc *iop, uint32_t bo, uint32_t bi)
{
    if (bo & BO_NO_CR_TEST) return true;
    uint32_t cr = IOP_Read_CR(iop);
    return ((cr >> (31 - bi)) & 1) == ((bo & BO_CR_VALUE) ? 1u : 0u);
}

bool unconditional(uint32_t bo)
{
    return (bo & (BO_NO_CR_TEST | BO_NO_DECREMENT)) == (BO_NO_CR_TEST | BO_NO_DECREMENT);
}

// The CTR step of bc and bclr: whether BO decrements CTR, the decremented count (0 when it does
// not), and whether the counter test passes (true when CTR is not decremented).
struct CounterStep {
    bool counted;
    uint64_t count;
    bool ok;
};

CounterStep counter_step(IOPDesc *iop, uint32_t bo, const BranchContext &c)
{
    CounterStep step{!(bo & BO_NO_DECREMENT), 0, true};
    if (step.counted) {
        uint64_t ctr = read_ctr(iop);
        step.ok = counter_test(bo, ctr, c);
        step.count = ctr - 1;
    }
    return step;
}

// Goes to the target when taken (with `count` as the call filter's counter), else on to the next
// instruction.
void branch_to(IOPDesc *iop, const BranchContext &c, bool taken, uint64_t target, uint64_t count)
{
    if (taken) {
        take(iop, c, target, count);
        iop->branch_taken = 1;
    } else {
        IOP_Advance_NIA(iop);
        iop->branch_taken = 0;
    }
}

// What a conditional branch does last: the trace, the decremented CTR when BO counts, the link.
int finish(IOPDesc *iop, const BranchContext &c, uint32_t bo, uint64_t target, bool taken, bool counted,
           uint64_t count)
{
    trace(iop, c, target, taken, unconditional(bo));
    if (counted) write_ctr(iop, count);
    if (FIELD_LK(iop->word)) link(iop, c);
    return 1;
}

// An enabled associative trigger of that name in the thread's machine.
bool assoc_trigger_enabled(IOPDesc *iop, const char *name)
{
    TriggerTable *table = Machine_Trigger_Table(iop->thread->machine);
    return table && table->assoc_count != 0 && Assoc_Trigger_Search(table, name) != nullptr;
}

} // namespace

int semantic_b(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    BranchContext c = context(iop);
    uint64_t target = EXTS(word & 0x03FFFFFCull, 26);
    if (!FIELD_AA(word)) target += c.cia;
    target = adjust(c, target);

    trace(iop, c, target, true, true);
    if (FIELD_LK(word)) link(iop, c);
    take(iop, c, target, 0);
    iop->branch_taken = 1;

    if (target == c.cia) {
        if (!iop->defer_side_effects) SimBogusHalt(iop->thread);
        if (assoc_trigger_enabled(iop, "BRANCH_SELF")) iop->deferred_triggers = AFTER_BRANCH_SELF;
    }
    return 1;
}

int semantic_bc(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t bo = FIELD_BO(word);
    BranchContext c = context(iop);

    CounterStep counter = counter_step(iop, bo, c);
    bool cond_ok = condition_test(iop, bo, FIELD_BI(word));

    uint64_t target = EXTS(word & 0xFFFCull, 16);
    if (!FIELD_AA(word)) target += c.cia;
    target = adjust(c, target);

    bool taken = counter.ok && cond_ok;
    if (taken && unconditional(bo) && !FIELD_AA(word) && target == adjust(c, c.cia + 4)) {
        // The branch to the next instruction only moves on and records nothing.
        IOP_Advance_NIA(iop);
        iop->branch_taken = 1;
    } else {
        branch_to(iop, c, taken, target, counter.count);
    }
    return finish(iop, c, bo, target, taken, counter.counted, counter.count);
}

int semantic_bclr(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t bo = FIELD_BO(word);
    const bool to_tar = iop->row && (iop->row->id == ROW_BCTAR || iop->row->id == ROW_BCTARL);
    if (to_tar) {
        if (!PCR_Gate_v2_06(iop)) return 0;
        if (!Facility_Gate(iop, FACILITY_TAR, iop->row->mnemonic)) return 0;
    }
    BranchContext c = context(iop);

    CounterStep counter = counter_step(iop, bo, c);
    bool cond_ok = condition_test(iop, bo, FIELD_BI(word));
    uint64_t target = adjust(c, to_tar ? iGET_TAR(iop) : read_lr(iop));

    bool taken = counter.ok && cond_ok;
    branch_to(iop, c, taken, target, counter.count);
    return finish(iop, c, bo, target, taken, counter.counted, counter.count);
}

int semantic_bcctr(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t bo = FIELD_BO(word);
    uint64_t ctr = read_ctr(iop);
    BranchContext c = context(iop);
    uint64_t target = adjust(c, ctr);

    bool ctr_ok = true;
    bool counted = false;
    if (!(bo & BO_NO_DECREMENT)) {
        if (IOP_Option(iop, PO_BCCTR_CAN_DECREMENT_CTR))
            counted = true;
        else if (Invalid_Form(iop, "bcctr with BO==2 (decrement CTR)"))
            return 0;
        ctr_ok = counter_test(bo, ctr, c);
    }
    bool cond_ok = condition_test(iop, bo, FIELD_BI(word));

    bool taken = ctr_ok && cond_ok;
    branch_to(iop, c, taken, target, ctr - 1);
    return finish(iop, c, bo, target, taken, counted, ctr - 1);
}
