// Intervals of the periodic statistics.
// Declared here for the floors that call it; defined by the execution engine
// (exec/progress_stats.cpp).
#pragma once

#include <cstdint>

// The KIPS interval: cycles between two runs of a thread's periodic-statistics loop.
extern uint64_t Default_PERIODIC_STATS_cycles;
// The KIPS dump interval: the minimum number of microseconds between two samples.
extern uint64_t Default_PERIODIC_STATS_interval;

struct GenericMachine;
struct ThreadState;

// The functional modes' statistics callbacks ("simple") and the rate line ("KIPS").
void Periodic_Rate_Callback(void *data, ThreadState *thread, const char *prefix, uint64_t elapsed_usec);
void Concurrency_Stats_Thread_Callback(void *data, ThreadState *thread, const char *prefix,
                                       uint64_t elapsed_usec);
void Concurrency_Stats_Find_Thread_Callback(void *data, GenericMachine *machine);
void Concurrency_Stats_State_Callback(void *data, ThreadState *thread, int32_t old_state, int32_t new_state);
