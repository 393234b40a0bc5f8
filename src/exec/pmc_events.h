// The event sources of the performance-monitor counters (exec/pmc_counters.h) and the names of the
// events (exec/pmc_events_standin.cpp until the counting model has its table).
#pragma once

#include <cstdint>

#include "exec/pmc_counters.h"
#include "runtime/utils.h"
// {id, name} of the events, ended by a row without a name.
extern const IDNamePair pmcEventName[];
