// Stand-in of the thread run-state transitions.
#include "processor/thread_run_state.h"

#include "processor/processor_state.h"
#include "processor/thread_state.h"

// STAND-IN: only the state and the reason are recorded; the active-thread count, the processor's
// own stall, the cycle-level core, the state-change callbacks and the power level are missing.
__attribute__((weak)) void Thread_StallState(ThreadState *thread, const char *, int32_t reason)
{
    thread->x_threadState = CPU_STALLED;
    thread->stall_reason = reason;
}
