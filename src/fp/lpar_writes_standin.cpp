// Stand-ins of the LPIDR and LPCR writes.
#include "processor/hooks/lpar_writes.h"

#include "processor/regs/reg_accessors.h"

// STAND-IN: the trace-library partition events are missing; the register is read and written with
// its triggers.
__attribute__((weak)) void WriteLPIDR(IOPDesc *iop, uint32_t value)
{
    iGET_LPIDR(iop);
    iSET_LPIDR(iop, value);
}

// STAND-IN: the re-evaluation of mediated interrupts (bit 0x800) and of the HDEC interrupt (bit
// 0x1) is missing; the register is written with its triggers.
__attribute__((weak)) void WriteLPCR(IOPDesc *iop, uint64_t value)
{
    iSET_LPCR(iop, value);
}
