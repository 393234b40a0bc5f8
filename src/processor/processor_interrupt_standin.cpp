#include "processor/processor_interrupt.h"

#include "exec/interrupt_queue.h"
#include "machine/generic_machine.h"
#include "processor/mcm.h"
#include "processor/thread_state.h"
#include "runtime/message.h"

// STAND-IN: the wake-up of threads started on interrupts (reason 8) is missing; the
// line is raised and lowered through the thread's persistent EXTERNAL record.
int Processor_Interrupt_Handler(void *data, int32_t operation, int32_t index, uint64_t)
{
    MCM *chip = static_cast<MCM *>(data);
    ThreadState *thread = chip ? GenericMachine__Thread(chip->machine, index & 0x7FFFFFFF) : nullptr;
    switch (operation) {
    case 1:
        if (thread) {
            thread->external_interrupt_line = 1;
            raise_persistent_external(thread);
        }
        break;
    case 0:
        if (thread) {
            thread->external_interrupt_line = 0;
            lower_persistent_exception(thread, 0);
        }
        break;
    case 2:
        break;
    default:
        sim_error("1: Processor_Interrupt_Handler: Unhandled event_type %d", operation);
        break;
    }
    return thread && thread->persistent_exceptions[0] ? 1 : 0;
}
