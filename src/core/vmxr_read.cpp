// The functional read of a vector register.
#include "processor/hooks/vsr_access.h"

#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

VMXR_Value READ_VMXR_SIMPLE(IOPDesc *iop, uint32_t n)
{
    const Reg128 &vsr = iop->thread->VSR[32 + (n & 31)];
    return {{vsr.value[0], vsr.value[1]}};
}
