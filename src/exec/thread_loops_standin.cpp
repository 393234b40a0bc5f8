// Stand-ins of the per-thread loop callbacks.
#include "exec/thread_loops.h"

#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"

// STAND-IN: the heartbeat line (instruction count, elapsed time, PC, LR, clock) is not built;
// nothing is logged.
__attribute__((weak)) void Heartbeat_Callback(loop_s *, void *) {}

// STAND-IN: the thread's own periodic statistics sample (debug categories 208-210) is not built;
// only the event kernel's statistics dump runs.
__attribute__((weak)) void Periodic_Stats_Callback(loop_s *, void *argument)
{
    auto *thread = static_cast<ThreadState *>(argument);
    if (thread && thread->machine && thread->machine->tsim) tsim_dump_stats(thread->machine->tsim);
}
