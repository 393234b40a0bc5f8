// Stand-ins of the plain vector-register reads and writes.
#include "processor/hooks/vsr_access.h"

#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

// STAND-IN: the cycle-level core's register-file layer is not built; these are its plain
// functional accesses (no triggers, no mask, no written flag), which every mode uses.
__attribute__((weak)) Vec128 READ_VSR_SIMPLE(IOPDesc *iop, uint32_t index, const char *)
{
    const Reg128 &vsr = iop->thread->VSR[index & 63];
    return Vec128{vsr.value[0], vsr.value[1]};
}

// STAND-IN: see READ_VSR_SIMPLE.
__attribute__((weak)) Vec128 READ_VMXR_SIMPLE(IOPDesc *iop, uint32_t index, const char *)
{
    const Reg128 &vsr = iop->thread->VSR[32 + (index & 31)];
    return Vec128{vsr.value[0], vsr.value[1]};
}

// STAND-IN: see READ_VSR_SIMPLE.
__attribute__((weak)) void WRITE_VMXR_SIMPLE(IOPDesc *iop, uint32_t index, uint64_t low, uint64_t high,
                                             const char *)
{
    Reg128 &vsr = iop->thread->VSR[32 + (index & 31)];
    vsr.value[0] = low;
    vsr.value[1] = high;
}
