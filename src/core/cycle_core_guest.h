// What the guest services ask of the cycle-level core: holding a thread's pipeline for a halt and
// stalling threads at a guest barrier. Both are reached only in CYCLE mode.
#pragma once

#include <cstdint>

struct ThreadState;

// Holds the thread's pipeline for that many cycles.
void CycleCore_thread_delay(ThreadState *thread, uint64_t cycles);
// Stalls the thread until the last of the participants arrives, then releases all of them.
void CycleCore_barrier(ThreadState *thread, int32_t participants);
