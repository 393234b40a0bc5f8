// Stand-in of the time-base set-up.
#include "exec/time_base.h"

#include "kernel/tsim.h"
#include "machine/generic_machine.h"
#include "processor/processor_state.h"

// STAND-IN: the execution engine's time-base record is not built; the processor's time-base
// fields are cleared and stamped with the current time-base cycle.
__attribute__((weak)) void Init_TimeBase(ProcessorState *core)
{
    if (!core) return;
    core->tb_value = 0;
    core->tb_frozen = 0;
    core->tb_at_last_purr = 0;
    uint64_t now = core->machine && core->machine->tsim ? core->machine->tsim->now : 0;
    uint64_t per_cycle = core->timebase_domain && core->timebase_domain->ticks_per_cycle
                             ? core->timebase_domain->ticks_per_cycle
                             : 1;
    core->tb_last_cycle = now / per_cycle + (now % per_cycle ? 1 : 0);
}
