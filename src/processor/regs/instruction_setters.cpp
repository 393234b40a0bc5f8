// The move from a branch-history entry.
#include "processor/regs/instruction_setters.h"

#include "processor/records/processor_state.h"
#include "processor/regs/register_file.h"
#include "processor/spr/ex_spr.h"

int core_mfbhrbe(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    uint32_t index = (iop->word >> 11) & 0x3FF;
    uint32_t target = (iop->word >> 21) & 0x1F;
    if ((int32_t)index >= Get_BHRB_Range(thread, nullptr) || index >= (uint32_t)NUM_BHRB_ENTRIES) {
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
