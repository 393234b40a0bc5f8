// Thread run-state transitions used by the instruction semantics.
#pragma once

#include <cstdint>

struct ThreadState;

// Stall reasons.
enum : int32_t { STALL_ATTN_INSTRUCTION = 9 };

// Enters CPU_STALLED with the reason (the text has no effect).
void Thread_StallState(ThreadState *thread, const char *text, int32_t reason);
