// Tool control of a hardware thread: one step of n instructions with the machine running, the
// thread's running state, and starting and stopping it as the SMT control does.
#pragma once

#include <cstdint>

struct ThreadState;

// 0 at once for n = 0; otherwise a stop after n more of the thread's instructions, one run of the
// machine, and the number of instructions the thread executed.
uint64_t ThreadState__Step(ThreadState *thread, uint64_t n);
// Puts the thread into the running state.
void Thread_RunState(ThreadState *thread, const char *reason);
// 0 when the thread is SMT-enabled already or manually disabled; otherwise SRR0/SRR1 take the
// current PC and MSR, the thread starts at the address with the initial MSR and is enabled.
int SMTA_Start_Thread(ThreadState *thread, int32_t code, uint64_t address);
// 0 when the thread is not SMT-enabled or the WE bit has no effect; otherwise the thread is
// disabled and stalled (reason 7) and 1 is answered.
int SMTA_Stop_Thread(ThreadState *thread);
