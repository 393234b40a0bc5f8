// The branch events of loaded trace libraries and the instruction profile they carry.
#pragma once

#include <cstdint>

#include "translator/engines.h"

enum : int { TRC_EVENT_BRANCH = 21 };

// Whether a loaded trace library listens to the event.
int trc_is_active(int event);
// Emits a branch event (kind 2 for a taken unconditional branch, else 1).
void trc_branch(uint64_t from, uint64_t to, int taken, prof_entry *entry, uint32_t word, int unconditional);
