// Thread run-state transitions used by the instruction semantics.
#pragma once

#include <cstdint>

struct ThreadState;

// Enters CPU_STALLED with the reason (the text has no effect).
void Thread_StallState(ThreadState *thread, const char *text, int32_t reason);
// The lost-reservation callback of a thread's memory client (data: the thread): a thread
// stalled in "waitrsv" (reason 13) runs again.
void wait_lost_reservation_callback(void *thread);
