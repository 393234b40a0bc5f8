// Intervals of the periodic statistics.
#pragma once

#include <cstdint>

// The KIPS interval: cycles between two runs of a thread's periodic-statistics loop.
extern uint64_t Default_PERIODIC_STATS_cycles;
// The KIPS dump interval: the minimum number of microseconds between two samples.
extern uint64_t Default_PERIODIC_STATS_interval;
