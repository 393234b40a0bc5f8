#include "processor/time/processor_time.h"

#include <cstdio>

#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "processor/time/time_domain.h"
#include "runtime/message.h"

namespace
{

char time_text[32];
int conversion_warned; // the cross-check's warning is given once per program run

uint64_t ceil_div(uint64_t a, uint64_t b)
{
    return a / b + (a % b != 0);
}

// The group's frequencies reduced by their greatest common divisor, computed once per
// re-evaluation of the group (a re-evaluation sets the cached GCD back to 0).
void reduce_group_frequencies(machine_time_domains *group)
{
    if (!group || group->cached || !group->domains) return;
    uint64_t divisor = 0;
    for (time_domain *d = group->domains; d; d = d->next) {
        uint64_t hz = d->spec ? evaluate_frequency_ratio(d->spec, nullptr) : d->frequency;
        divisor = gcd(divisor, hz);
    }
    if (divisor == 0) return;
    group->cached = divisor;
    for (time_domain *d = group->domains; d; d = d->next) {
        uint64_t hz = d->spec ? evaluate_frequency_ratio(d->spec, nullptr) : d->frequency;
        d->frequency = hz / divisor;
    }
}

} // namespace

uint64_t TD_Cross_Domain_Convert(uint64_t n, time_domain *from, time_domain *to)
{
    if (!from || !to) return n;
    uint64_t from_ticks = from->ticks_per_cycle ? from->ticks_per_cycle : 1;
    uint64_t to_ticks = to->ticks_per_cycle ? to->ticks_per_cycle : 1;
    uint64_t ticks = n * from_ticks;
    uint64_t result = (n == 0 || ticks == 0) ? 0 : ceil_div(ticks, to_ticks);
    // The frequency cross-check only feeds a silent warning: skip it once that was given.
    if (!conversion_warned) {
        reduce_group_frequencies(from->set);
        if (from->frequency) {
            uint64_t alt = ceil_div(n * to->frequency, from->frequency);
            if (alt != result) {
                uint64_t scale = from->set ? from->set->cached : 1;
                sim_warning(0, "conversion is off: %ld cycles at %ld = %ld or %ld at %ld", (long)n,
                            (long)(from->frequency * scale), (long)result, (long)alt,
                            (long)(to->frequency * scale));
                conversion_warned = 1;
            }
        }
    }
    return result;
}

uint64_t TD_get_current_cycles(time_domain *domain, uint64_t *phase)
{
    tsim_s *tsim = tsim_current();
    if (tsim && tsim->now == 0) {
        if (phase) *phase = 0;
        return 0;
    }
    uint64_t t = tsim ? tsim->now - 1 : ~uint64_t(0) - 1;
    uint64_t c = domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
    if (phase) *phase = (t + c) % c;
    return (t + c) / c;
}

uint64_t GetRawTime(GenericMachine *machine)
{
    if (machine)
        Set_Time_Machine(machine);
    else
        machine = Get_Time_Machine();
    if (!machine || !machine->tsim || !machine->base_domain || machine->tsim->now == 0) return 0;
    uint64_t per_cycle = machine->base_domain->ticks_per_cycle ? machine->base_domain->ticks_per_cycle : 1;
    return ceil_div(machine->tsim->now, per_cycle);
}

const char *Prepare_Time(GenericMachine *machine)
{
    snprintf(time_text, sizeof time_text, "%ld", (long)GetRawTime(machine));
    return time_text;
}

uint64_t Sim_Current_Cycles(void)
{
    GenericMachine *machine = currentMachine;
    if (!machine) return 0;
    time_domain *domain = machine->cycle_domain ? machine->cycle_domain : machine->base_domain;
    if (tsim_active_proxy) return TD_get_current_cycles(domain);
    if (!machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    uint64_t tick = machine->tsim->now;
    uint64_t per_cycle = domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
    return tick / per_cycle + (tick % per_cycle != 0);
}
