// Run-state and timer services that the interrupt queue, delivery and the MSR write call: the
// thread's running state, the wake-up from power saving, the WE-bit stall, and the decrementer
// checks.
#pragma once

#include <cstdint>

struct ThreadState;

// Puts the thread into the running state.
void Thread_RunState(ThreadState *thread);
// Wakes or starts a thread from a power-saving state with the reason, resuming at the vector.
void SMTA_Start_Thread(ThreadState *thread, int32_t reason, uint64_t vector);
// MSR[WE] turning on stalls the thread, turning off resumes it.
void Update_RunState_for_MSR_change(ThreadState *thread, uint64_t old_msr, uint64_t new_msr);
// 1 when the decrementer is negative and MSR[EE] is set (wake: a sleeping thread is woken).
int enabled_DEC_Interrupt(ThreadState *thread, int wake);
// Raises interrupt_Decrementer when enabled_DEC_Interrupt(thread, 1).
void CheckForDECInterrupt(ThreadState *thread);
// Raises interrupt_HV_Decrementer when the hypervisor decrementer is pending, none is queued and
// it is enabled.
void CheckForHDECInterrupt_Thread(ThreadState *thread, int unused);
