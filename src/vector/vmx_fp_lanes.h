// The VMX floating-point instructions in two or four double-precision lanes (the machine's
// vmx_fake_mode 1 and 2): lanes 0 and 1 are the doublewords of the VMX register, lanes 2 and 3
// (four-lane mode) those of the thread's upper lane slot of the same number. The single-precision
// routines hand the instruction over first thing (VMX_FP_LANE_DISPATCH).
#pragma once

#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

struct IOPDesc;

#define VMX_FP_LANE_ROUTINES(name)                                                                           \
    int semantic_fake_2dp_##name(IOPDesc *iop);                                                              \
    int semantic_fake_4dp_##name(IOPDesc *iop);
#define VMX_FP_LANE_MEMBERS(X)                                                                               \
    X(vaddfp)                                                                                                \
    X(vsubfp) X(vmaddfp) X(vnmsubfp) X(vmaxfp) X(vminfp) X(vrefp) X(vrsqrtefp) X(vexptefp) X(vlogefp)        \
        X(vrfim) X(vrfip) X(vrfiz) X(vrfin) X(vcfsx) X(vcfux) X(vctsxs) X(vctuxs) X(vcmpeqfp) X(vcmpgtfp)    \
            X(vcmpgefp) X(vcmpbfp)
VMX_FP_LANE_MEMBERS(VMX_FP_LANE_ROUTINES)
#undef VMX_FP_LANE_ROUTINES

// The machine's lane mode (0 without a machine).
inline int vmx_fake_mode(const IOPDesc *iop)
{
    return iop->thread->machine ? iop->thread->machine->vmx_fake_mode : 0;
}

// First thing of every VMX floating-point routine: mode 1 and 2 run the lane routine instead.
#define VMX_FP_LANE_DISPATCH(iop, name)                                                                      \
    switch (vmx_fake_mode(iop)) {                                                                            \
    case 1:                                                                                                  \
        return semantic_fake_2dp_##name(iop);                                                                \
    case 2:                                                                                                  \
        return semantic_fake_4dp_##name(iop);                                                                \
    default:                                                                                                 \
        break;                                                                                               \
    }
