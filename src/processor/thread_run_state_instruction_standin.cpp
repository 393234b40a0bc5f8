// Stand-ins of the run-state transitions of the wait and power-saving instructions.
#include "machine/generic_machine.h"
#include "processor/instruction_record.h"
#include "processor/processor_state.h"
#include "processor/smt.h"
#include "processor/thread_run_state.h"
#include "processor/thread_state.h"

// STAND-IN: only the state and the reason are recorded (a waiting thread keeps its first reason);
// the state-change callbacks, the "THREAD_WAIT" trigger and the cycle-level core are missing.
__attribute__((weak)) void Thread_WaitState(ThreadState *thread, const char *, int32_t reason)
{
    if (thread->x_threadState == CPU_WAIT) return;
    thread->x_threadState = CPU_WAIT;
    thread->stall_reason = reason;
}

// STAND-IN: the split-core join, the cycle-level core notice, the sleep and winkle plug-in events
// and the time quanta are missing; the thread is disabled, its power mode recorded and it is
// stalled with reason 15.
__attribute__((weak)) int SMTA_Inst_Stop_Thread(IOPDesc *iop, int32_t power_mode)
{
    ThreadState *thread = iop->thread;
    if (!SMTA_Check_Thread_Enabled(thread)) return 0;
    if (thread->machine && thread->machine->we_bit_ignored) return 0;
    SMTA_Set_Thread_Disabled(thread);
    thread->power_mode = power_mode;
    Thread_StallState(thread, "Stall instruction", STALL_INSTRUCTION);
    return 1;
}
