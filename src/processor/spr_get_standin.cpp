// Stand-in of the SPR read for instructions.
#include "processor/instruction_record.h"
#include "processor/spr_get.h"
#include "processor/thread_state.h"
#include "processor/time_registers.h"

// STAND-IN: the SPR table's read routines are not built; only the time base (268) and its upper
// half (269) are read, through the time-base operations of the thread's partition core (the
// operand slot in the cycle-model form). Any other SPR reads 0.
__attribute__((weak)) uint64_t GET_spr(IOPDesc *iop, int32_t spr, int32_t *)
{
    if (iop->use_slots) return iop->operand_slot1[0];
    ProcessorState *core = iop->thread->shared_processor;
    if (spr == 268) return ProcessorState__GetTB(core);
    if (spr == 269) return ProcessorState__GetTBU(core);
    return 0;
}
