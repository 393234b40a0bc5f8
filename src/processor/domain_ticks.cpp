// Ticks per cycle of a time domain.
#include "processor/domain_ticks.h"

// STAND-IN: the time_domain record (with its ticks per cycle) is not defined yet; every domain
// counts one tick per cycle until it is. Then this becomes
// `return domain ? domain->ticks_per_cycle : 1;`.
uint64_t TD_ticks_per_cycle(const time_domain *)
{
    return 1;
}
