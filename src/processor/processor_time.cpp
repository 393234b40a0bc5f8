#include "processor/processor_time.h"

#include <cstdio>

#include "kernel/tsim.h"
#include "machine/generic_machine.h"
#include "processor/time_domain.h"

namespace
{

char time_text[32];

uint64_t ticks_to_cycles(uint64_t tick, const time_domain *domain)
{
    if (tick == 0) return 0;
    uint64_t per_cycle = domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
    return tick / per_cycle + (tick % per_cycle != 0);
}

} // namespace

const char *Prepare_Time(GenericMachine *machine)
{
    snprintf(time_text, sizeof time_text, "%ld", (long)GetRawTime(machine));
    return time_text;
}

uint64_t GetRawTime(GenericMachine *machine)
{
    if (machine)
        Set_Time_Machine(machine);
    else
        machine = Get_Time_Machine();
    if (!machine || !machine->tsim || !machine->base_domain) return 0;
    return ticks_to_cycles(machine->tsim->now, machine->base_domain);
}

uint64_t TD_get_current_cycles(time_domain *domain)
{
    tsim_s *tsim = tsim_current();
    return tsim ? ticks_to_cycles(tsim->now, domain) : 0;
}
