// Stand-in of the performance-monitor counting model.
#include "processor/hooks/pmc_counters.h"

// STAND-IN: the counting model (event statistics per group, counter bases) is not built; there is
// nothing to re-read.
__attribute__((weak)) void PMC_reset_counters(ThreadState *) {}
