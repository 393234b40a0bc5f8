// Stand-in of the floating-point register write.
#include "processor/hooks/vsr_access.h"

#include "fp/fpr_invalid_map.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

// STAND-IN: the register's write triggers are missing; the VSR's halves are stored and, for a
// target written by an instruction (a label beginning with "T"), the FPR invalid map follows.
__attribute__((weak)) void WRITE_FPR_SIMPLE(IOPDesc *iop, uint32_t index, uint64_t image, const char *operand)
{
    Reg128 *vsr = &iop->thread->VSR[index & 31];
    vsr->value[1] = image;
    vsr->value[0] = 0;
    if (operand && operand[0] == 'T') Update_FPR_Invalid_Map(iop, index & 31, image);
}
