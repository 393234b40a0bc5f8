// The core clock of a thread's processor as the execution engine reads it.
#pragma once

#include <cstdint>

struct ThreadState;

// The current cycle of the thread's processor's core clock: the kernel's current tick divided by
// the clock's ticks per cycle, rounded up (1 tick per cycle without a clock).
uint64_t Thread_Current_Cycle(ThreadState *thread);
