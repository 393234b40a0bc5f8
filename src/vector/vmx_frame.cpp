// The SIM_CTRL1 gate of the VMX integer frame.
#include "vector/vmx_frame.h"

#include "interrupts/interrupt_raisers.h"
#include "processor/regs/reg_accessors.h"
#include "vector/vec_defs.h"

namespace vec
{

int Check_SIM_CTRL1_VMX128(IOPDesc *iop)
{
    if (iGET_SIM_CTRL1(iop) & SIM_CTRL1_VMX128) return 1;
    interrupt_IllegalInstruction(iop, TEXT_VMX128_ILLEGAL);
    return 0;
}

} // namespace vec
