// Stand-in of the thread run-state transitions.
#include "processor/thread_run_state.h"

#include "processor/processor_state.h"
#include "processor/smt.h"
#include "processor/thread_state.h"

// STAND-IN: only the state and the reason are recorded; the active-thread count, the processor's
// own stall, the cycle-level core, the state-change callbacks and the power level are missing.
__attribute__((weak)) void Thread_StallState(ThreadState *thread, const char *, int32_t reason)
{
    thread->x_threadState = CPU_STALLED;
    thread->stall_reason = reason;
}

// STAND-IN: the run-state change (active-thread count, the processor's own run state, the
// cycle-level core, the state-change callbacks) is missing; a thread stalled in "waitrsv" is
// marked running.
__attribute__((weak)) void wait_lost_reservation_callback(void *data)
{
    auto *thread = static_cast<ThreadState *>(data);
    if (!thread || thread->x_threadState != CPU_STALLED || thread->stall_reason != STALL_WAITRSV) return;
    thread->x_threadState = CPU_RUNNING;
    thread->stall_reason = STALL_NA;
}
