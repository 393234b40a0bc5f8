// Stand-in of the vector-scalar register write.
#include "processor/hooks/vsr_access.h"

#include "fp/fpr_invalid_map.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

// STAND-IN: the register's write triggers and the FPR-form bookkeeping are missing; both halves
// are stored and the FPR invalid map follows the FPR half.
__attribute__((weak)) void WRITE_VSR_SIMPLE(IOPDesc *iop, uint32_t index, uint64_t high, uint64_t low,
                                            const char *)
{
    Reg128 *vsr = &iop->thread->VSR[index & 63];
    vsr->value[1] = high;
    vsr->value[0] = low;
    Update_FPR_Invalid_Map(iop, index & 63, high);
}
