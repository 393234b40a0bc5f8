// The CTRL register's architected write, and its write by an instruction.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// Writes CTRL as the thread would (run latch, thread start and stop requests).
void cooked_set_CTRL(ThreadState *thread, uint32_t value);
// Force of a CTRL value; the same as cooked_set_CTRL.
void FORCE_CTRL(ThreadState *thread, uint32_t value);
// The CTRL write of an instruction: run latch and thread start requests; nothing in problem state.
void Write_CTRL(IOPDesc *iop, uint32_t value);
