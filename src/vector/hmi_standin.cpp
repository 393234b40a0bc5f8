// Stand-in of the Hypervisor Maintenance interrupt.
#include "processor/hooks/hmi.h"

#include "processor/hooks/spr_interrupt_standins.h"

// STAND-IN: the raiser (its MSR checks with the fatal error, priority, vector) is not built; a
// record of type 39 is appended to the instruction's list.
__attribute__((weak)) PowerPCException *interrupt_HMI(IOPDesc *iop, ThreadState *)
{
    return File_Standin_Exception(iop, EXC_TYPE_HMI, 0, "Hypervisor Maintenance");
}
