// Stand-ins of the SMT priority checks that translated code asks for.
#include "isa/hooks/smt_priority.h"

#include "processor/records/instruction_record.h"
#include "processor/run/smt.h"

// STAND-IN: the privilege rules of priority requests are not built; every priority is allowed.
__attribute__((weak)) int SMTA_Check_Priority(IOPDesc *, int32_t)
{
    return 1;
}

// STAND-IN: the priority is set as asked, without the re-balancing of the core's threads.
__attribute__((weak)) void SMTA_Adjust_Priorities(IOPDesc *iop, int32_t priority)
{
    if (iop && iop->thread) smt_SetPriority(iop->thread, priority);
}
