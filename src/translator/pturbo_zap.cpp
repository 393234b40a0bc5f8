// Stop requests of the parallel mode and leaving it: a thread's task or every task is marked and
// the marks served by a dispatch at once, after which the workers park on a quiesce request;
// leaving mode 2 ends the workers and removes the dispatch-controller hook.
#include <cstring>

#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"
#include "processor/run/modes.h"
#include "runtime/message.h"
#include "translator/ptask.h"
#include "translator/pturbo_data.h"
#include "translator/pturbo_engine.h"
#include "translator/pturbo_workers.h"

void pturbo_zap_thread(ThreadState *thread, const char *reason)
{
    pturbo_data_s &d = pturbo_data;
    if (!thread) return;
    if (pturbo_execution_mode) {
        if (thread != pturbo_executing_T)
            sim_error("pturbo_zap_thread: Called for T != pturbo_executing_T. Reason: %s", reason);
        else if (strcmp(reason, "ScheduleException") != 0)
            sim_error("pturbo_zap_thread: Call for self, but for Reason: %s", reason);
        return;
    }
    if (d.active_count == 0 && d.stop_all) return;
    ptask_s *task = thread->turbo.ptask;
    if (!task || task->stop) return;
    task->stop = 1;
    d.stop_requests++;
}

void pturbo_zap_thread_now(ThreadState *thread, const char *reason)
{
    if (pturbo_execution_mode) {
        sim_error("pturbo_zap_thread_now: Called from within a ptask for reason: %s", reason);
        return;
    }
    pturbo_zap_thread(thread, reason);
    pturbo_service_zaps();
}

void pturbo_zap_all_threads_now(const char *reason)
{
    pturbo_data_s &d = pturbo_data;
    if (!d.started) return;
    if (pturbo_execution_mode) {
        sim_error("pturbo_zap_all_threads_now: Called from within a ptask for reason: %s", reason);
        return;
    }
    d.stop_all = 1;
    d.quiesce = 1;
    pturbo_service_zaps();
}

void pturbo_zap_all_threads(void)
{
    pturbo_data.stop_all = 1;
}

void pturbo_service_zaps(void)
{
    pturbo_data_s &d = pturbo_data;
    if (!d.quiesce && (d.active_count == 0 || (!d.stop_all && d.stop_requests == 0))) {
        d.stop_requests = 0;
        d.stop_all = 0;
        return;
    }
    release_OPTthreadsx();
}

void pturbo_switch_mode(void *, GenericMachine *machine, uint32_t)
{
    pturbo_data_s &d = pturbo_data;
    if (!machine || machine->mode != MODE_PTURBO) return;
    if (d.started) pturbo_zap_all_threads_now("Stopping PTurbo Mode");
    if (d.parked) {
        pturbo_end_workers();
        machine->turbo_minimum = d.saved_turbo_minimum;
        d.started = 0;
        d.parked = 0;
        tsim_dispatch_controller = nullptr;
    }
}
