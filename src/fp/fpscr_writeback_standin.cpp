// FPSCR reads and writes of an instruction.
#include "fp/fpscr_writeback.h"

#include "exec/reg_triggers.h"
#include "processor/instruction_record.h"
#include "processor/register_file.h"
#include "processor/thread_state.h"

// STAND-IN: the instruction's FPSCR cache and the cycle-level core's FPSCR operand and result
// slots are missing; both operations use the thread's FPSCR. Weak, so that the binary
// floating-point unit's definitions replace them.
__attribute__((weak)) uint64_t iGET_FPSCR(IOPDesc *iop)
{
    Reg64 *fpscr = &iop->thread->FPSCR;
    uint64_t value = fpscr->value;
    if (Reg_Read_Triggers_Armed(fpscr->trigger)) Maybe_Invoke_Reg_Read_Triggers(iop, fpscr->trigger, value);
    return value;
}

__attribute__((weak)) int iSET_FPSCR(IOPDesc *iop, uint64_t value)
{
    Reg64 *fpscr = &iop->thread->FPSCR;
    if (Reg_Write_Triggers_Armed(fpscr->trigger))
        Maybe_Invoke_Reg_Write_Triggers(iop, fpscr->trigger, fpscr->value, value);
    fpscr->value = value & Register_Entry_Mask(fpscr->rfe);
    fpscr->written = 1;
    return 1;
}
