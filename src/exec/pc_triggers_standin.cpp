// Stand-ins of the instruction-address and memory triggers.
#include "mmu/hooks/pc_triggers.h"

#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

// STAND-IN: instruction-address triggers are not built; no trigger ever waits at the next
// address, so the thread's PC-trigger mark is cleared.
__attribute__((weak)) void Check_For_Triggers_Before_Next_Instr(IOPDesc *iop)
{
    if (iop && iop->thread) iop->thread->pc_trigger_mark = ~0ull;
}

// STAND-IN: real-address PC triggers are not built; none fires.
__attribute__((weak)) int Trigger_RealPC__Find_And_Doit(GenericMachine *, ThreadState *, uint64_t)
{
    return 0;
}

// STAND-IN: memory triggers are not built; none matches.
__attribute__((weak)) int32_t Trigger_Memory__Check_Addr(GenericMachine *, ThreadState *, uint64_t, int64_t, int,
                                                         uint32_t, uint32_t, uint64_t, int)
{
    return 0;
}
