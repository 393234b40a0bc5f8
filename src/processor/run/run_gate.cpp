#include "processor/run/run_gate.h"

#include "kernel/counter.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/modes.h"
#include "runtime/message.h"

namespace
{

// Parks the running job on the counter after setting it to 1, until a release.
void park_on(counter_s *counter)
{
    counter_set(counter, 1);
    counter_sync(counter);
}

} // namespace

int Check_Can_Run(ThreadState *thread, int may_block)
{
    GenericMachine *machine = thread->machine;
    ProcessorState *core = thread->processor;
    for (;;) {
        if (machine->pending_mode) {
            if (!may_block) return 0;
            Thread_switch_mode(thread);
        }
        counter_s *functional = machine->functional_mode;
        if (functional && functional->value > 0) { // plain reads: this runs between instructions
            if (!may_block) return 0;
            counter_sync(functional);
            continue;
        }
        if (core->x_cpuState == CPU_RUNNING) {
            if (!thread->manual_disable && thread->x_smt_enable) break;
            if (!may_block) return 0;
            park_on(&thread->wake_counter);
            continue;
        }
        if (!may_block) return 0;
        park_on(&core->ppu_counter);
    }
    job_s *job = tsim_active_job ? tsim_active_job : thread->job;
    if (job && job->counter.value != 0) {
        if (!may_block) return 0;
        job_sync(job);
    }
    return 1;
}

void Thread_switch_mode(ThreadState *thread)
{
    if (thread->x_threadState == CPU_RUNNING) Machine_switch_mode(thread->machine);
}

int Machine_switch_mode(GenericMachine *machine)
{
    if (!machine->pending_mode) {
        sim_warning(0, "Machine_switch_mode: switching_modes is off");
        return 0;
    }
    if (!machine->switch_mode_status || !machine->switch_mode_done) {
        Mode_Switched(machine);
        return 0;
    }
    if (counter_get(machine->switch_mode_status) > 0) {
        counter_down(machine->switch_mode_status);
        counter_sync(machine->switch_mode_done);
        return 0;
    }
    int sum = 0;
    int32_t count = GenericMachine__ProcessorCount(machine);
    for (int32_t i = 0; i < count; i++) {
        ProcessorState *core = GenericMachine__Processor(machine, i);
        if (!core) continue;
        if (standalone_mode && core->x_cpuState == CPU_NOT_BOOTED) continue;
        if (machine->mode == MODE_CYCLE) {
            // The core model is not part of this build: it has no threads to release or count.
            continue;
        }
        if (standalone_mode) continue;
        for (uint32_t t = 0; core->threads && t < core->num_threads; t++) {
            ThreadState *thread = &core->threads[t];
            if (thread->x_threadState != CPU_RUNNING) continue;
            if (thread->wake_counter.tsim) counter_set(&thread->wake_counter, 0);
            sum++;
        }
    }
    counter_set(machine->switch_mode_done, 1);
    counter_set(machine->switch_mode_status, sum - 1);
    counter_sync(machine->switch_mode_status);
    Mode_Switched(machine);
    counter_set(machine->switch_mode_done, 0);
    return 0;
}
