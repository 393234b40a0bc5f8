// Stand-in of marking a processor configured.
#include "exec/cpu_config.h"

#include "machine/generic_machine.h"
#include "processor/processor_state.h"
#include "processor/run_control.h"
#include "processor/thread_state.h"

// STAND-IN: the processor enters the running state and its first thread is marked running; the
// thread run-state change (its callbacks, power level and cycle-level core) and the SMT start of
// the thread's job (wake-up reason 8, resume vector 0x100) come with the execution engine.
__attribute__((weak)) void CPU_ConfigOn(ProcessorState *processor, const char *reason)
{
    if (!processor) return;
    CPU_RunState(processor, reason);
    if (processor->num_threads == 0 || !processor->threads) return;
    ThreadState *first = &processor->threads[0];
    if (first->x_threadState != CPU_RUNNING) {
        first->x_threadState = CPU_RUNNING;
        GenericMachine__ThreadGoingActive(processor->machine, first);
    }
}
