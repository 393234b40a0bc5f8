#include "exec/periodic_stats_standin.h"

// STAND-IN: the periodic-statistics loop is not built yet; only its two settings exist. Weak, so
// that the execution engine's definitions replace them.
__attribute__((weak)) uint64_t Default_PERIODIC_STATS_cycles = 20000000;
__attribute__((weak)) uint64_t Default_PERIODIC_STATS_interval = 4000000;
