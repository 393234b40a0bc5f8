// Stand-in of the priority requests of the "or n,n,n" no-ops.
#include "isa/hooks/smt_priority.h"

#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/smt.h"

SmtPriorityStandinLog smt_priority_standin_log = {};

// STAND-IN: the privilege test of a priority request (SMTA_Check_Priority) is not built; a request
// is recorded and the priority is set as asked.
__attribute__((weak)) void SMTA_Adjust_Priorities_for_NOP(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t rs = (word >> 21) & 0x1F;
    if (rs != ((word >> 16) & 0x1F) || rs != ((word >> 11) & 0x1F)) return;
    ThreadState *thread = iop->thread;
    if (!thread->processor || thread->processor->num_threads < 2) return;
    int32_t priority = SMTA_CONVERT_OR_VALUE(rs);
    if (priority < 0) return;
    smt_priority_standin_log.requests++;
    smt_priority_standin_log.thread = thread;
    smt_priority_standin_log.priority = priority;
    smt_SetPriority(thread, priority);
}
