// The branch events and counters of loaded trace libraries and the instruction profile they carry.
// Declared here for the floors that call it; defined by the translator
// (translator/trace_events_standin.cpp, translator/engines_standin.cpp).
#pragma once

#include <cstdint>

enum : int { TRC_EVENT_BRANCH = 21 };

// A profile entry: the count of executions and the last address counted.
struct prof_entry {
    uint64_t count;
    uint64_t last_address;
};

// The profile entry of an instruction word at an offset of a page.
prof_entry *prof_lookup(uint32_t word, uint32_t offset, uint64_t page);

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
