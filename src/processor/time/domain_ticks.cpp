// Ticks per cycle of a time domain.
#include "kernel/hooks/domain_ticks.h"

#include "processor/time/time_domain.h"

uint64_t TD_ticks_per_cycle(const time_domain *domain)
{
    return domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
}
