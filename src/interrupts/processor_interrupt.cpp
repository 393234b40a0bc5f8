#include "interrupts/processor_interrupt.h"

#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/time/time_registers.h"
#include "runtime/message.h"

namespace
{
constexpr int EXTERNAL_SLOT = 0;
} // namespace

void raise_persistent_exception(ThreadState *thread)
{
    // A line raised again only runs the thread.
    if (!raise_persistent_external(thread)) {
        if (thread->persistent_exceptions[EXTERNAL_SLOT]) Thread_RunState(thread);
        return;
    }
    thread->persistent_exceptions[EXTERNAL_SLOT]->deliver_cycle = 0;
    smt_BoostPriority(thread, 1);
    if (SMTA_Start_Thread_On_Interrupt()) SMTA_Start_Thread(thread, 8, 0x100);
}

int Processor_Interrupt_Handler(void *data, int32_t operation, int32_t index, uint64_t)
{
    MCM *chip = static_cast<MCM *>(data);
    ThreadState *thread = chip ? GenericMachine__Thread(chip->machine, index & 0x7FFFFFFF) : nullptr;
    // A controller or plug-in may name a thread the machine does not have.
    if (!thread) {
        sim_warning(0, "Processor_Interrupt_Handler: no thread %d", index & 0x7FFFFFFF);
        return 0;
    }
    switch (operation) {
    case 1:
        raise_persistent_exception(thread);
        break;
    case 0:
        lower_persistent_exception(thread, EXTERNAL_SLOT);
        break;
    case 2:
        break;
    default:
        sim_error("1: Processor_Interrupt_Handler: Unhandled event_type %d", operation);
        break;
    }
    return thread->persistent_exceptions[EXTERNAL_SLOT] ? 1 : 0;
}
