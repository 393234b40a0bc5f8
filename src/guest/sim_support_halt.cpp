// The sim-support halt.
#include "processor/hooks/sim_support_halt.h"

#include "core/cycle_core_guest.h"
#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/run/run_control.h"
#include "processor/records/thread_state.h"
#include "processor/time/time_domain.h"

uint64_t BogusHaltDelay = 1000;

namespace
{

int halt_enabled = 1;

constexpr uint64_t CHUNKY_HALT_TICKS = 0x40000000;

} // namespace

int Get_BogusHalt(void)
{
    return halt_enabled;
}

void Set_BogusHalt(int value)
{
    halt_enabled = value;
}

int SimBogusHalt(ThreadState *thread)
{
    if (!halt_enabled || !thread) return 0;
    if (thread->pending_decrementer_exception || thread->interrupt_queue.head) return 1;
    GenericMachine *machine = thread->machine;
    if (machine && machine->mode == MODE_CYCLE) {
        if (BogusHaltDelay) CycleCore_thread_delay(thread, BogusHaltDelay);
        return 0;
    }
    uint64_t ticks;
    if (THREAD_IN_CHUNK_MODE(thread)) {
        ticks = CHUNKY_HALT_TICKS;
    } else if (BogusHaltDelay) {
        const ProcessorState *core = thread->processor;
        uint64_t per_cycle = core && core->core_domain && core->core_domain->ticks_per_cycle
                                 ? core->core_domain->ticks_per_cycle
                                 : 1;
        ticks = BogusHaltDelay > ~0ull / per_cycle ? ~0ull : BogusHaltDelay * per_cycle;
    } else {
        // Until the next scheduled event; with none scheduled there is nothing to wait for.
        ticks = ticks_until_next_event();
        if (ticks == ~0ull) ticks = 0;
    }
    Thread_delay_ticks(thread, ticks);
    return 0;
}
