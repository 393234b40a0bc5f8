// Stand-in of the thread's core-clock reading.
#include "exec/thread_clock.h"

#include "kernel/tsim.h"
#include "machine/generic_machine.h"
#include "processor/processor_state.h"
#include "processor/thread_state.h"
#include "processor/time_domain.h"
#include "runtime/message.h"

// STAND-IN: the processor clocks module (time-base clock, thaw, its other readings) is not built;
// this reads the core clock only.
__attribute__((weak)) uint64_t Thread_Current_Cycle(ThreadState *thread)
{
    GenericMachine *machine = thread ? thread->machine : nullptr;
    if (!machine || !machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    uint64_t tick = machine->tsim->now;
    if (tick == 0) return 0;
    const time_domain *clock = thread->processor ? thread->processor->core_domain : nullptr;
    uint64_t per_cycle = clock && clock->ticks_per_cycle ? clock->ticks_per_cycle : 1;
    return (tick + per_cycle - 1) / per_cycle;
}
