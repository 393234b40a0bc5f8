// The performance-monitor counting model as the group tables reach it.
#pragma once

struct ThreadState;

// Re-reads the counters of the current group's events from the statistics.
void PMC_reset_counters(ThreadState *thread);
