// Stand-in of the floating-point-unavailable raiser.
#include "exec/fp_unavailable.h"

#include "exec/interrupt_raisers.h"

// STAND-IN: the transactional pre-check is missing; a record of type 21 is filed on the instruction.
__attribute__((weak)) PowerPCException *interrupt_FPUnavailable(IOPDesc *iop)
{
    PowerPCException *record = IOP_New_Exception(iop, 21, 0);
    if (!record) return nullptr;
    return Take_Care_Of_Exception(iop, record, "FP Unavailable");
}
