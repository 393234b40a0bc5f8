// The CTRL register's architected write.
#pragma once

#include <cstdint>

struct ThreadState;

// Writes CTRL as the thread would (run latch, thread start and stop requests).
void cooked_set_CTRL(ThreadState *thread, uint32_t value);
// Force of a CTRL value; the same as cooked_set_CTRL.
void FORCE_CTRL(ThreadState *thread, uint32_t value);
