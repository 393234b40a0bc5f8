// Transactional-memory instructions: tbegin., tend., tendouter., tabort., the conditional aborts,
// tsuspend., tresume., tcheck, treclaim. and trechkpt.
//
// The routines apply the compatibility, SIM_CTRL and facility gates, set CR0 from the transaction
// state of the MSR read at the start (0 || TS || 0) and hand the operation to the
// transactional-memory model, which keeps the checkpoint, footprint and failure registers.
#include "decode/semantics.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "isa/tm_instructions.h"
#include "mmu/tm/htm_cr.h"
#include "mmu/tm_operations.h"
#include "processor/hooks/htm.h"
#include "processor/regs/reg_accessors.h"

namespace
{

constexpr uint64_t SIM_CTRL_TM_DISABLE = 0x100000000ull;
constexpr uint64_t SIM_CTRL_PROBLEM_TRECHKPT = 0x100000000000000ull;
constexpr uint64_t PCR_TM_DISABLED = 0x2000000000000000ull;

// TO bits of the conditional aborts (word bits 25..21).
constexpr uint32_t TO_SIGNED_LESS = 0x2000000, TO_SIGNED_GREATER = 0x1000000, TO_EQUAL = 0x800000,
                   TO_UNSIGNED_LESS = 0x400000, TO_UNSIGNED_GREATER = 0x200000;

int illegal(IOPDesc *iop, const char *text)
{
    interrupt_IllegalInstruction(iop, text);
    return 0;
}

// The gates every routine but trechkpt. passes first; 0 after the interrupt.
int tm_prologue(IOPDesc *iop)
{
    const bool problem = (iGET_MSR(iop) & MSR_PR) != 0;
    if (problem && (iGET_PCR(iop) & 0x4)) return illegal(iop, "2.0.6  is disabled");
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_TM_DISABLE)
        return illegal(iop, "TM op is disabled by SIM_CTRL_TM_disable");
    if (problem && (iGET_PCR(iop) & PCR_TM_DISABLED)) return illegal(iop, "TM is disabled");
    return HTM_ENABLED_CHECK(iop);
}

int advance(IOPDesc *iop)
{
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

int64_t low_word(uint64_t value)
{
    return (int64_t)(int32_t)(uint32_t)value;
}

// The 5-bit signed immediate in the RB field.
int64_t si5(uint32_t word)
{
    return (int64_t)((int32_t)(((word >> 11) & 0x1F) << 27) >> 27);
}

// The conditional aborts after the prologue: CR0 from the MSR, then the test.
int conditional_abort(IOPDesc *iop, uint64_t msr, int64_t a, int64_t b)
{
    SET_TM_CR_From_MSR(iop, msr, 0);
    IOP_TO_Abort_Check(iop, a, b);
    return advance(iop);
}

} // namespace

void IOP_TO_Abort_Check(IOPDesc *iop, int64_t a, int64_t b)
{
    const uint32_t to = iop->word;
    const bool abort = ((to & TO_SIGNED_LESS) && a < b) || ((to & TO_SIGNED_GREATER) && a > b) ||
                       ((to & TO_EQUAL) && a == b) ||
                       ((to & TO_UNSIGNED_LESS) && (uint64_t)a < (uint64_t)b) ||
                       ((to & TO_UNSIGNED_GREATER) && (uint64_t)a > (uint64_t)b);
    if (abort) htm_tabort(iop, 0);
}

int semantic_tbegin_dot(IOPDesc *iop)
{
    if (!tm_prologue(iop)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    SET_TM_CR_From_MSR(iop, msr, 0);
    htm_tbegin(iop, msr);
    return advance(iop);
}

namespace
{

int transaction_end(IOPDesc *iop, int32_t outer)
{
    if (!tm_prologue(iop)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    // A refused end keeps its bad-thing interrupt queued and does not move on.
    if (!htm_tend(iop, msr, outer)) return 1;
    SET_TM_CR_From_MSR(iop, msr, 0);
    return advance(iop);
}

} // namespace

int semantic_tend_dot(IOPDesc *iop)
{
    return transaction_end(iop, 0);
}

int semantic_tendouter_dot(IOPDesc *iop)
{
    return transaction_end(iop, 1);
}

int semantic_tabort_dot(IOPDesc *iop)
{
    if (!tm_prologue(iop)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    const uint32_t cause = FIELD_RA(iop->word) ? (uint32_t)(read_ra(iop) & 0xFF) : 0;
    SET_TM_CR_From_MSR(iop, msr, 0);
    htm_tabort(iop, cause);
    return advance(iop);
}

int semantic_tabortwc_dot(IOPDesc *iop)
{
    if (!tm_prologue(iop)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    const int64_t a = low_word(read_ra(iop)), b = low_word(read_rb(iop));
    return conditional_abort(iop, msr, a, b);
}

int semantic_tabortwci_dot(IOPDesc *iop)
{
    if (!tm_prologue(iop)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    return conditional_abort(iop, msr, low_word(read_ra(iop)), si5(iop->word));
}

int semantic_tabortdc_dot(IOPDesc *iop)
{
    if (!tm_prologue(iop)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    const int64_t a = (int64_t)read_ra(iop), b = (int64_t)read_rb(iop);
    if (!check_64bit_op_ok(iop)) return 0;
    return conditional_abort(iop, msr, a, b);
}

int semantic_tabortdci_dot(IOPDesc *iop)
{
    if (!tm_prologue(iop)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    const int64_t a = (int64_t)read_ra(iop);
    if (!check_64bit_op_ok(iop)) return 0;
    return conditional_abort(iop, msr, a, si5(iop->word));
}

int semantic_tsuspend_dot(IOPDesc *iop)
{
    if (!tm_prologue(iop)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    SET_TM_CR_From_MSR(iop, msr, 0);
    htm_tsuspend(iop, msr);
    return advance(iop);
}

int semantic_tresume_dot(IOPDesc *iop)
{
    if (!tm_prologue(iop)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    SET_TM_CR_From_MSR(iop, msr, 0);
    htm_tresume(iop, msr);
    return advance(iop);
}

int semantic_tcheck(IOPDesc *iop)
{
    if (!tm_prologue(iop)) return 0;
    (void)iGET_MSR(iop);
    htm_tcheck(iop, (iop->word >> 23) & 7);
    return advance(iop);
}

int semantic_trechkpt_dot(IOPDesc *iop)
{
    const uint64_t sim_ctrl = iGET_SIM_CTRL(iop);
    if (sim_ctrl & SIM_CTRL_TM_DISABLE) return illegal(iop, "TM op is disabled by SIM_CTRL_TM_disable");
    if ((iGET_MSR(iop) & MSR_PR) && !(sim_ctrl & SIM_CTRL_PROBLEM_TRECHKPT)) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    if (!HTM_ENABLED_CHECK(iop)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    const int result = htm_trechkpt_dot(iop, msr);
    if (result != 1) return result;
    SET_TM_CR_From_MSR(iop, msr, 0);
    return advance(iop);
}

int semantic_treclaim_dot(IOPDesc *iop)
{
    const uint64_t sim_ctrl = iGET_SIM_CTRL(iop);
    if (sim_ctrl & SIM_CTRL_TM_DISABLE) return illegal(iop, "TM op is disabled by SIM_CTRL_TM_disable");
    if ((iGET_MSR(iop) & MSR_PR) && !(sim_ctrl & SIM_CTRL_PROBLEM_TRECHKPT)) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    if (!HTM_ENABLED_CHECK(iop)) return 0;
    const uint32_t cause = FIELD_RA(iop->word) ? (uint32_t)(read_ra(iop) & 0xFF) : 0;
    const uint64_t msr = iGET_MSR(iop);
    if (!htm_treclaim_dot(iop, cause, msr)) return 0;
    SET_TM_CR_From_MSR(iop, msr, 0);
    return advance(iop);
}
