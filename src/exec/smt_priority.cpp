// Thread priority requests (see isa/hooks/smt_priority.h).
#include "isa/hooks/smt_priority.h"

#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/run/smt.h"

namespace
{

constexpr uint32_t TSCR_USER_PRIORITIES = 0x8000;
constexpr uint32_t TSCR_SUPERVISOR_PRIORITIES = 0x10000;

} // namespace

const char *SMTA_Check_Priority(IOPDesc *iop, int32_t priority)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread->processor;
    if (!core || core->num_threads <= 1 || priority <= 0) return nullptr;
    uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_HV) && !(msr & MSR_PR)) return "hypervisor";
    uint32_t tscr = tCOOKED_GET_TSCR(thread, 0);
    if (msr & MSR_PR)
        return (tscr & TSCR_USER_PRIORITIES) && priority >= 2 && priority <= 4 ? "user" : nullptr;
    return (tscr & TSCR_SUPERVISOR_PRIORITIES) && priority <= 6 ? "supervisor" : nullptr;
}

void SMTA_Adjust_Priorities(IOPDesc *iop, int32_t priority)
{
    if (iop && iop->thread && SMTA_Check_Priority(iop, priority)) smt_SetPriority(iop->thread, priority);
}

void SMTA_Adjust_Priorities_for_NOP(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t rs = (word >> 21) & 0x1F;
    if (rs != ((word >> 16) & 0x1F) || rs != ((word >> 11) & 0x1F)) return;
    ProcessorState *core = iop->thread->processor;
    if (!core || core->num_threads < 2) return;
    int32_t priority = SMTA_CONVERT_OR_VALUE(rs);
    if (priority > 0) SMTA_Adjust_Priorities(iop, priority);
}
