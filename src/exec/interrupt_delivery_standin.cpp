// Stand-ins of the interrupt machinery the engines call.
#include "exec/interrupt_delivery.h"

#include "processor/exception_record.h"
#include "processor/instruction_record.h"
#include "processor/thread_state.h"
#include "runtime/message.h"

// STAND-IN: interrupt delivery is not built; the instruction's interrupts are discarded, each with
// the information text "instruction discarded exception of type %s".
__attribute__((weak)) void FlushException(IOPDesc *iop)
{
    Discard_Instruction_Bound_Exceptions(iop, 1);
}

// STAND-IN: interrupt delivery is not built; nothing is ever delivered.
__attribute__((weak)) int CheckInterrupts(IOPDesc *, int)
{
    return 0;
}

// STAND-IN: the forced interrupt of IRPT_CTL is not built; nothing is requested.
__attribute__((weak)) int process_wolk_IRPT_CTL_interrupt(IOPDesc *)
{
    return 0;
}

// STAND-IN: the inter-processor interrupt is not built; nothing is queued.
__attribute__((weak)) PowerPCException *interrupt_IPI(ThreadState *)
{
    return nullptr;
}

// STAND-IN: the illegal-instruction path is not built; the report is the fatal error of the
// default setting, which stops the run.
__attribute__((weak)) void execute_illegal_instruction(IOPDesc *iop)
{
    unsafe_Message(MSG_FATAL, nullptr, nullptr, iop ? iop->thread : nullptr, "Stopping execution.");
}

// STAND-IN: the trace interrupt is not built; nothing is raised.
__attribute__((weak)) PowerPCException *interrupt_TraceSingleStep(IOPDesc *, int32_t)
{
    return nullptr;
}

// STAND-IN: the floating-point enabled exception is not built; nothing is raised.
__attribute__((weak)) PowerPCException *interrupt_FloatingPointException(IOPDesc *, int)
{
    return nullptr;
}
