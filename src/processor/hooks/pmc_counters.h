// The performance-monitor counting model as the group tables reach it.
// Declared here for the floors that call it; defined by the execution engine
// (exec/pmc_counters_standin.cpp).
#pragma once

struct ThreadState;

// Re-reads the counters of the current group's events from the statistics.
void PMC_reset_counters(ThreadState *thread);
