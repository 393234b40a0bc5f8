// Stand-ins of the tool control of a hardware thread.
#include "processor/thread_control.h"

#include "machine/generic_machine.h"
#include "processor/msr_rules.h"
#include "processor/processor_state.h"
#include "processor/run_control.h"
#include "processor/smt.h"
#include "processor/thread_run_state.h"
#include "processor/thread_state.h"

// STAND-IN: the run-state checks only warn in the real routine and are left out; the stop, the
// run and the count are as specified.
__attribute__((weak)) uint64_t ThreadState__Step(ThreadState *thread, uint64_t n)
{
    if (!thread || n == 0) return 0;
    uint64_t before = thread->Instruction_Number;
    StopAfterThreadInstructions(thread, n);
    GenericMachine__Run(thread->machine);
    return thread->Instruction_Number - before;
}

// STAND-IN: only the state is recorded; the active-thread count, the cycle-level core and the
// state-change callbacks are missing.
__attribute__((weak)) void Thread_RunState(ThreadState *thread, const char *)
{
    if (!thread) return;
    thread->x_threadState = CPU_RUNNING;
    thread->stall_reason = 0;
}

// STAND-IN: the wake-up bits of the power mode are not added to SRR1 and the cycle-level core is
// not told.
__attribute__((weak)) int SMTA_Start_Thread(ThreadState *thread, int32_t, uint64_t address)
{
    if (!thread || SMTA_Check_Thread_Enabled(thread) || Thread_Check_Manual_Disable(thread)) return 0;
    thread->SRR0.value = thread->PC.value;
    thread->SRR1.value = thread->MSR.value;
    thread->PC.value = address;
    thread->next_pc = address;
    Set_Initial_MSR(thread);
    SMTA_Set_Thread_Enabled(thread);
    Thread_RunState(thread, "SMTA_Start_Thread");
    return 1;
}

// STAND-IN: the cycle-level core is not told and the thread time quanta are not recomputed.
__attribute__((weak)) int SMTA_Stop_Thread(ThreadState *thread)
{
    if (!thread || !SMTA_Check_Thread_Enabled(thread)) return 0;
    if (thread->machine && thread->machine->we_bit_ignored) return 0;
    SMTA_Set_Thread_Disabled(thread);
    Thread_StallState(thread, "smt enable bit set 0", STALL_SMT_CONTROL);
    return 1;
}
