// What the thread-state code tells the cycle-level core: a thread's SMT priority and its change
// of user mode.
// Declared here for the floors that call it; defined by the cycle-level core
// (core/cycle_core_smt_standin.cpp).
#pragma once

#include <cstdint>

struct ThreadState;

// Tells the core the thread's priority (above 6 taken as 6) and recomputes its issue shares.
void CycleCore_set_smt_priority(ThreadState *thread, int32_t priority);
// In mode 11 resets the thread's statistics bucket of the core model.
void CycleCore_set_user_mode(ThreadState *thread);
