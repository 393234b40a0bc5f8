// Stand-ins of the branch-history buffer and the call-signature filter.
#include "isa/hooks/branch_history.h"

#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

// STAND-IN: the branch-history buffer (MMCR0 enable, the branch filter, the frozen-state test and
// the rolling entries) is not built; no branch is recorded.
__attribute__((weak)) int BHRB_taken_branch_filter(IOPDesc *, uint64_t, uint64_t, uint32_t)
{
    return 0;
}

// STAND-IN: the call-signature filter is not built; nothing is recorded.
__attribute__((weak)) int CSIG_taken_branch_call_filter(IOPDesc *, uint64_t, uint64_t, uint32_t, uint64_t)
{
    return 0;
}

// STAND-IN: the entries are cleared without their write triggers or the buffer's write position.
__attribute__((weak)) int core_clrbhrb(IOPDesc *iop)
{
    for (Reg64 &entry : iop->thread->BHRBE)
        entry.value = 0;
    return 1;
}
