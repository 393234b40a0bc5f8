// Picoseconds into cycles of a time domain.
#include "command/pico_cycles.h"

#include "processor/time/time_domain.h"

uint64_t TD_convert_pico_to_cycles(machine_time_domains *set, uint64_t picoseconds, time_domain *domain)
{
    uint64_t numerator = set && set->pico_numerator ? set->pico_numerator : 1000000000000ull;
    uint64_t denominator = set && set->pico_denominator ? set->pico_denominator : 1;
    uint64_t product = picoseconds * denominator;
    uint64_t ticks = product / numerator + (product % numerator != 0);
    if (ticks == 0) return 0;
    uint64_t per_cycle = domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
    return ticks / per_cycle + (ticks % per_cycle != 0);
}
