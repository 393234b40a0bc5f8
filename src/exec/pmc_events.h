// The event sources of the performance-monitor counters and the names of the events. Defined by
// the performance-monitor model (exec/pmc_events_standin.cpp until it exists).
#pragma once

#include <cstdint>

#include "runtime/utils.h"

struct ThreadState;

// The current count of a performance-monitor event for the thread.
uint64_t PMC_get_stat(ThreadState *thread, int32_t event);
// {id, name} of the events, ended by a row without a name.
extern const IDNamePair pmcEventName[];
