// Stand-ins of the run-state and decrementer services used by the interrupt code.
#include "processor/interrupt_services_standin.h"

#include "exec/exception_types.h"
#include "exec/interrupt_queue.h"
#include "processor/exception_record.h"
#include "processor/msr_rules.h"
#include "processor/processor_state.h"
#include "processor/thread_state.h"
#include "processor/time_registers.h"

// STAND-IN: the thread run states are not built; the thread's state word becomes running (the
// SMT enable, the state callbacks, the trace line and the "THREAD_RUN" trigger are missing).
__attribute__((weak)) void Thread_RunState(ThreadState *thread)
{
    if (thread) thread->x_threadState = CPU_RUNNING;
}

// STAND-IN: the power-saving wake-up is not built; the thread only becomes running again (the
// wake-up reason, the SRR1 wake bits and the resume vector are missing).
__attribute__((weak)) void SMTA_Start_Thread(ThreadState *thread, int32_t, uint64_t)
{
    if (!thread) return;
    thread->stall_reason = 0;
    Thread_RunState(thread);
}

// STAND-IN: the WE-bit stall of the run states is not built; nothing changes.
__attribute__((weak)) void Update_RunState_for_MSR_change(ThreadState *, uint64_t, uint64_t) {}

// STAND-IN: the decrementer's power-saving wake-up is missing; negative DEC and MSR[EE].
__attribute__((weak)) int enabled_DEC_Interrupt(ThreadState *thread, int)
{
    if (!(ThreadState__GetDEC(thread) & 0x80000000u)) return 0;
    return (thread->MSR.value & MSR_EE) ? 1 : 0;
}

// STAND-IN: built on the stand-in above.
__attribute__((weak)) void CheckForDECInterrupt(ThreadState *thread)
{
    if (enabled_DEC_Interrupt(thread, 1)) interrupt_Decrementer(thread);
}

// STAND-IN: the hypervisor decrementer's pending flag as the time registers leave it.
__attribute__((weak)) void CheckForHDECInterrupt_Thread(ThreadState *thread, int)
{
    if (!thread->pending_HDEC) return;
    if (FindException_ByType(thread, EXC_HV_DECREMENTER)) return;
    if (enabled_HDEC_Interrupt(thread)) interrupt_HV_Decrementer(thread);
}
