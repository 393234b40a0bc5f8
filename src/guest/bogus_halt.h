// The idle-loop service: a thread spinning in a branch to itself may let its time jump ahead.
#pragma once

#include <cstdint>

struct ThreadState;

// Returns 1 when it did nothing because of the thread's state, else 0; the calling instruction
// completes either way.
int32_t SimBogusHalt(ThreadState *thread);
