// The branch events and counters of loaded trace libraries and the instruction profile they carry.
#pragma once

#include <cstdint>

#include "translator/engines.h"

enum : int { TRC_EVENT_BRANCH = 21 };

// Whether a loaded trace library listens to the event.
int trc_is_active(int event);
// Whether tracing is on and a loaded library provides the counter (0 to 3).
int cnt_is_active(int counter);
// The four trace counters (64-bit cells that translated code increments).
uint64_t *trc_counts(void);
struct ThreadState;
// Before a pass of translated code with its budget, and after it with the instructions executed.
void TRC_BEFORE(ThreadState *thread, uint32_t budget);
void TRC_AFTER(ThreadState *thread, uint64_t executed);
// Emits a branch event (kind 2 for a taken unconditional branch, else 1).
void trc_branch(uint64_t from, uint64_t to, int taken, prof_entry *entry, uint32_t word, int unconditional);
