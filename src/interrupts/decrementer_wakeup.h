// The wake-up test of a thread stopped by a power-saving instruction: its pending exceptions and
// its decrementer may start it again.
#pragma once

struct ThreadState;

// Looks at the thread's pending exceptions for one that wakes it, then at its decrementer; 1.
int CheckExceptionQueueForWakeup(ThreadState *thread);
