#include "interrupts/fp_exception_check.h"

#include "interrupts/interrupt_raisers.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_triggers.h"

namespace
{

constexpr uint64_t FPSCR_FEX = 0x40000000;
constexpr uint64_t MSR_FE0 = 0x800;
constexpr uint64_t MSR_FE1 = 0x100;

} // namespace

int FP_EXCEPTION_CHECK(IOPDesc *iop, int kind)
{
    if (!iop || !iop->thread) return 1;
    ThreadState *thread = iop->thread;
    uint64_t fpscr = thread->FPSCR.value;
    Maybe_Invoke_Reg_Read_Triggers(iop, thread->FPSCR.trigger, fpscr);
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
