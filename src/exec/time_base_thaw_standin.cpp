// Stand-in of the thaw of a processor's time base.
#include "kernel/tsim.h"
#include "machine/generic_machine.h"
#include "processor/processor_state.h"
#include "processor/thread_state.h"
#include "processor/time_domain.h"
#include "processor/time_registers.h"

// STAND-IN: the execution engine's clocks are not built; the thaw clears the frozen flags of the
// time base and of every decrementer and re-stamps them at the current time-base cycle, so the
// frozen interval is not counted.
__attribute__((weak)) uint64_t ProcessorState_Thaw_Time_Base(ProcessorState *core)
{
    if (!core) return 0;
    uint64_t tick = core->machine && core->machine->tsim ? core->machine->tsim->now : 0;
    uint64_t per_cycle =
        core->timebase_domain && core->timebase_domain->ticks_per_cycle ? core->timebase_domain->ticks_per_cycle : 1;
    uint64_t now = tick / per_cycle + (tick % per_cycle != 0);
    if (!core->tb_frozen) return now;
    core->tb_frozen = 0;
    core->tb_last_cycle = now;
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++)
        if (DECREMENTER *dec = core->threads[i].decrementer) {
            dec->frozen = 0;
            dec->last_cycle = now;
        }
    return now;
}
