// Stand-ins of the run gate and the decrementer cap.
#include "processor/run_gate_standin.h"

#include "kernel/counter.h"
#include "machine/generic_machine.h"
#include "processor/processor_state.h"
#include "processor/thread_state.h"

namespace
{

bool may_run(const ThreadState *thread)
{
    const ProcessorState *core = thread->processor;
    const GenericMachine *machine = thread->machine;
    if (!core || core->x_cpuState != CPU_RUNNING) return false;
    if (thread->manual_disable || thread->x_threadState != CPU_RUNNING) return false;
    if (machine && machine->pending_mode) return false;
    if (machine && machine->functional_mode && counter_get(machine->functional_mode) > 0) return false;
    return true;
}

} // namespace

// STAND-IN: the run gate of the thread job is not built (the mode-switch rendezvous, the SMT
// enable and the thread's own wake counter are missing): a thread runs while its processor runs
// and it is itself running and not manually disabled; a waiting job sleeps on the processor's
// counter, which every processor run-state change releases.
__attribute__((weak)) int Check_Can_Run(ThreadState *thread, int wait)
{
    while (!may_run(thread)) {
        if (!wait) return 0;
        ProcessorState *core = thread->processor;
        if (!core || !core->ppu_counter.tsim) return 0;
        counter_set(&core->ppu_counter, 1);
        counter_sync(&core->ppu_counter);
    }
    return 1;
}

// STAND-IN: the decrementer model is not built; no decrementer caps a chunk.
__attribute__((weak)) uint32_t ThreadState__DecLimits(ThreadState *, uint32_t, uint32_t n)
{
    return n;
}
