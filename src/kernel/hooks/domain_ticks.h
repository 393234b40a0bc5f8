// Ticks per cycle of a time domain, for code that holds only a domain pointer (the kernel's
// clocked gates and ports, the statistics printer). Declared here, below the time domains it
// reads; defined with them (processor/time/domain_ticks.cpp).
#pragma once

#include <cstdint>

struct time_domain;

// The domain's ticks per cycle; 1 for none.
uint64_t TD_ticks_per_cycle(const time_domain *domain);
