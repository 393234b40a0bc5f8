// Thread run-state transitions used by the instruction semantics.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// Enters CPU_STALLED with the reason (the text has no effect).
void Thread_StallState(ThreadState *thread, const char *text, int32_t reason);
// The lost-reservation callback of a thread's memory client (data: the thread): a thread
// stalled in "waitrsv" (reason 13) runs again.
void wait_lost_reservation_callback(void *thread);
// Enters CPU_WAIT with the reason: as stalling, but the core keeps running.
void Thread_WaitState(ThreadState *thread, const char *text, int32_t reason);
// The stop of a power-saving instruction: when the thread is SMT-enabled and the machine's WE bit
// has effect, disables it and stalls it (reason 15) in the power mode; 1 when stopped, else 0.
int SMTA_Inst_Stop_Thread(IOPDesc *iop, int32_t power_mode);
