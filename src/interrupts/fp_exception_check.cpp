#include "interrupts/fp_exception_check.h"

#include "interrupts/hooks/fpscr_read.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/fpscr_bits.h"
#include "processor/regs/reg_triggers.h"

namespace
{

constexpr uint64_t MSR_FE0 = 0x800;
constexpr uint64_t MSR_FE1 = 0x100;

} // namespace

int FP_EXCEPTION_CHECK(IOPDesc *iop, int kind)
{
    if (!iop || !iop->thread) return 1;
    // FPSCR where the instruction keeps it (the thread's register, its cache or its slot).
    uint64_t fpscr = iGET_FPSCR(iop);
    if ((fpscr & FPSCR_FEX) && (iGET_MSR(iop) & (MSR_FE0 | MSR_FE1))) {
        interrupt_FloatingPointException(iop, kind);
        return 0;
    }
    return 1;
}

int IOP_FP_Exception_Check(IOPDesc *iop)
{
    return FP_EXCEPTION_CHECK(iop, 0);
}
