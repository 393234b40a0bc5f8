// Stand-in of the floating-point register write.
#include "processor/hooks/vsr_access.h"

#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

// STAND-IN: the register's write triggers and the FPR-invalid map are missing; the VSR's halves
// are stored.
__attribute__((weak)) void WRITE_FPR_SIMPLE(IOPDesc *iop, uint32_t index, uint64_t image, const char *)
{
    Reg128 *vsr = &iop->thread->VSR[index & 31];
    vsr->value[1] = image;
    vsr->value[0] = 0;
}
