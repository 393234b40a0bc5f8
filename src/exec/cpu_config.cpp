// Marking a processor configured after a program image was loaded.
#include "exec/cpu_config.h"

#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/run_control.h"
#include "processor/run/thread_run_state.h"

void CPU_ConfigOn(ProcessorState *processor, const char *reason)
{
    if (!processor) return;
    CPU_RunState(processor, reason);
    if (processor->num_threads == 0 || !processor->threads) return;
    ThreadState *first = &processor->threads[0];
    Thread_RunState(first);
    // Started as after a wake-up with reason 8, resuming at the system-reset vector.
    SMTA_Start_Thread(first, 8, 0x100);
}
