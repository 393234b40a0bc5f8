// The cache model's last data addresses, as the performance-monitor sampling reads them.
// Declared here for the floors that call it; defined by the cache hierarchy
// (cache/cache_last_ea_standin.cpp).
#pragma once

#include <cstdint>

struct ThreadState;

// The last effective address the thread's instruction cache (which 0), L1 data cache (1) or L2 (2)
// saw; 0 for other values.
uint64_t Cache_get_last_ea(ThreadState *thread, int which);
