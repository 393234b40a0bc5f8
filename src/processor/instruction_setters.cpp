// The move from a branch-history entry and the branch-history range.
#include "processor/instruction_setters.h"

#include "processor/processor_state.h"
#include "processor/register_file.h"

uint32_t Get_BHRB_Range(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    uint64_t mmcrc = core->MMCRC.value;
    if (!(mmcrc & (1ull << 17)))
        return core->num_threads ? (uint32_t)NUM_BHRB_ENTRIES / core->num_threads : 0;
    uint32_t owner = (uint32_t)((mmcrc >> 18) & 7);
    return (uint32_t)thread->thread_id_in_core == owner ? (uint32_t)NUM_BHRB_ENTRIES : 0;
}

int core_mfbhrbe(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    uint32_t index = (iop->word >> 11) & 0x3FF;
    uint32_t target = (iop->word >> 21) & 0x1F;
    if (index >= Get_BHRB_Range(thread) || index >= (uint32_t)NUM_BHRB_ENTRIES) {
        SET_GPR(iop, target, 0);
        return 1;
    }
    Reg64 *entry = &thread->BHRBE[index];
    uint64_t value = entry->value;
    Maybe_Invoke_Reg_Read_Triggers(iop, entry->trigger, value);
    SET_GPR(iop, target, value);
    // The target carries the entry's defined-value flag with the value.
    Register_File_Entry *gpr_entry = thread->GPR[target].rfe;
    if (gpr_entry) gpr_entry->defined = entry->rfe ? entry->rfe->defined : 1;
    return 1;
}
