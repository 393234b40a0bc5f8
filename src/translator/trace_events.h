// The branch events of loaded trace libraries and the instruction profile they carry.
#pragma once

#include <cstdint>

struct ProfileEntry;

enum : int { TRC_EVENT_BRANCH = 21 };

// Whether a loaded trace library listens to the event.
int trc_is_active(int event);
// The profile entry of the instruction (word, word index within its page, physical page).
ProfileEntry *prof_lookup(uint32_t word, uint32_t index, uint64_t page);
// Emits a branch event (kind 2 for a taken unconditional branch, else 1).
void trc_branch(uint64_t from, uint64_t to, int taken, ProfileEntry *entry, uint32_t word, int unconditional);
