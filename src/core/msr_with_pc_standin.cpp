// Stand-in of the MSR write with the next-instruction address.
#include "isa/hooks/msr_with_pc.h"

#include "interrupts/msr_write.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"

// STAND-IN: the cycle-level core's MSR result slot and the release of its readers are not built;
// an instruction in flight keeps the new MSR in its record.
__attribute__((weak)) void WRITE_MSR_WITH_PC(IOPDesc *iop, uint64_t msr, uint64_t cia, uint64_t nia)
{
    if (iop->use_slots) {
        iop->new_msr = msr;
        return;
    }
    ThreadState *thread = iop->thread;
    Reg64 *slot = &thread->MSR;
    if (Reg_Write_Triggers_Armed(slot->trigger))
        Maybe_Invoke_Reg_Write_Triggers(iop, slot->trigger, slot->value, msr);
    _WriteMSR(thread, msr & Register_Entry_Mask(slot->rfe), cia, nia, __FILE__, __LINE__);
}
