// Stand-in of the floating-point register read.
#include "processor/hooks/vsr_access.h"

#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

// STAND-IN: the register's read triggers and the FPR-form check are missing; the stored FPR half of
// the VSR is returned.
__attribute__((weak)) uint64_t READ_FPR_SIMPLE(IOPDesc *iop, uint32_t index, const char *)
{
    return iop->thread->VSR[index & 31].value[1];
}
