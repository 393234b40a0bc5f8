// The branch events and counters of loaded trace libraries and the instruction profile they carry.
// Declared here for the floors that call it; defined by the trace libraries
// (trace/trace_lib.cpp, trace/inst_profile.cpp).
#pragma once

#include <cstdint>

enum : int { TRC_EVENT_BRANCH = 21 };

// A profile entry (96 bytes; translated code addresses the count at byte 8 and the address at
// byte 16): its id, the count of executions, the last address counted, the instruction word (0:
// entry not in use) and one 64-bit slot per trace library, by library index.
struct prof_entry {
    uint64_t profile_id;
    uint64_t count;
    uint64_t last_address;
    uint32_t word;
    uint64_t slots[8];
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
// Around a call-out of translated code that may write records itself: the buffer cursor is taken
// back from the thread before it, and room for the rest of the pass is reserved after it.
void TRC_BEFORE_JIT_HELPER(ThreadState *thread);
void TRC_AFTER_JIT_HELPER(ThreadState *thread);
// Emits a branch event: outcome 2 when both the taken flag and the last flag are set, else 1.
void trc_branch(uint64_t from, uint64_t to, int taken, prof_entry *entry, uint32_t word, int unconditional);
