// The performance-monitor counting model as the group tables reach it.
// Declared here for the floors that call it; defined by the execution engine
// (exec/pmc_counters.cpp).
#pragma once

struct ThreadState;

// Re-bases counters 1 to 5 on the events of the newly selected group.
void PMC_reset_counters(ThreadState *thread);
