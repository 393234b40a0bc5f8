#include "processor/processor_interrupt.h"

#include "machine/generic_machine.h"
#include "processor/mcm.h"
#include "processor/thread_state.h"
#include "runtime/message.h"

// STAND-IN: the external-interrupt exception record (raised and lowered through the execution
// engine's persistent exceptions) is not built yet; the thread's line is recorded instead.
int Processor_Interrupt_Handler(void *data, int32_t operation, int32_t index, uint64_t)
{
    MCM *chip = static_cast<MCM *>(data);
    ThreadState *thread = chip ? GenericMachine__Thread(chip->machine, index & 0x7FFFFFFF) : nullptr;
    switch (operation) {
    case 1:
        if (thread) thread->external_interrupt_line = 1;
        break;
    case 0:
        if (thread) thread->external_interrupt_line = 0;
        break;
    case 2:
        break;
    default:
        sim_error("1: Processor_Interrupt_Handler: Unhandled event_type %d", operation);
        break;
    }
    return thread && thread->external_interrupt_line ? 1 : 0;
}
