#include "processor/hooks/periodic_stats_standin.h"

// STAND-IN: the periodic-statistics loop is not built yet; only its two settings exist. Weak, so
// that the execution engine's definitions replace them.
__attribute__((weak)) uint64_t Default_PERIODIC_STATS_cycles = 20000000;
__attribute__((weak)) uint64_t Default_PERIODIC_STATS_interval = 4000000;

// STAND-IN: the rate line of the periodic statistics is not built yet; it prints nothing.
void Periodic_Rate_Callback(void *, ThreadState *, const char *, uint64_t) {}

// STAND-IN: the scalability analysis is not built yet; these keep and print nothing.
void Concurrency_Stats_Thread_Callback(void *, ThreadState *, const char *, uint64_t) {}
void Concurrency_Stats_Find_Thread_Callback(void *, GenericMachine *) {}
void Concurrency_Stats_State_Callback(void *, ThreadState *, int32_t, int32_t) {}
