// The parallel mode's engine on the simulating thread: pturbo_go, starting the workers, the
// dispatch controller, one dispatch and the harvest with its end-of-run accounting.
#include "translator/pturbo_engine.h"

#include <x86intrin.h>

#include <algorithm>

#include "kernel/job.h"
#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/time/processor_time.h"
#include "processor/time/time_registers.h"
#include "processor/translation/xlate_version.h"
#include "runtime/callbacks.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "translator/emat.h"
#include "translator/jit_stubs.h"
#include "translator/ptask.h"
#include "translator/pturbo_data.h"
#include "translator/pturbo_stats.h"
#include "translator/pturbo_workers.h"
#include "translator/run_boundary.h"
#include "translator/turbo_go.h"
#include "translator/turbo_reason.h"

uint64_t run_to_tick = 0;
uint64_t orig_run_to_tick = 0;
volatile int32_t pturbo_execution_mode = 0;
int32_t pturbo_max_limit = PTURBO_MAX_LIMIT;
thread_local ThreadState *pturbo_executing_T = nullptr;

namespace
{

constexpr int DEBUG_CATEGORY_DISTRIBUTION = 108;
constexpr int DEBUG_CATEGORY_FORECAST = 109;
constexpr int TRACE_INSTRUCTION_COUNTER = 0;

bool callbacks_registered = false;
int32_t in_dispatch = 0; // the guard of release_OPTthreadsx

uint64_t tpc(void)
{
    return pturbo_data.ticks_per_cycle ? pturbo_data.ticks_per_cycle : 1;
}

uint64_t cycles_up(uint64_t ticks)
{
    return (ticks + tpc() - 1) / tpc();
}

uint64_t thread_ticks_per_cycle(const ThreadState *thread)
{
    const ProcessorState *core = thread->processor;
    return core && core->core_domain && core->core_domain->ticks_per_cycle
               ? core->core_domain->ticks_per_cycle
               : 1;
}

// Once per process: the callbacks, the lists and locks, the task body and service.
void init_once(void)
{
    if (!callbacks_registered) {
        callbacks_registered = true;
        Callback_register_switch_mode(1, "pturbo", reinterpret_cast<CallbackFunction>(pturbo_switch_mode),
                                      nullptr);
        Callback_register_stats_print(1, "pturbo", reinterpret_cast<CallbackFunction>(pturbo_stats_print),
                                      nullptr);
        // A machine that quits in mode 2 leaves it too: the next machine starts its own workers.
        Callback_register_quit_machine(1, "pturbo", reinterpret_cast<CallbackFunction>(pturbo_switch_mode),
                                       nullptr);
    }
    pturbo_data_init_once();
    pturbo_serve = service_ptask;
    ptask_body = do_pturbo_go_internal;
}

// Algorithm of the first use (or the first after the workers were parked).
void start_mode(ThreadState *thread)
{
    pturbo_data_s &d = pturbo_data;
    GenericMachine *machine = thread->machine;
    if (!d.parked) {
        init_once();
        d.exit_requested = 0;
        d.saved_turbo_minimum = machine->turbo_minimum;
        machine->turbo_minimum = 1;
        pturbo_start_workers(machine->pturbo_workers < 0 ? 0 : machine->pturbo_workers);
        d.parked = 0;
        d.started = 1;
        tsim_dispatch_controller = OPTController;
    } else {
        pturbo_unpark_workers();
    }
    d.ticks_per_cycle = thread_ticks_per_cycle(thread);
}

// The new list a task goes to. While tracing is on every task goes to the simulating thread: the
// trace buffers, counters and records are not shared between host threads.
void distribute(ptask_s *task)
{
    ptask_distribute(pturbo_data.new_list, TRC_IS_ON() ? 1 : total_pturbo_threads, task);
}

void write_back_pc(ThreadState *thread)
{
    tFORCE_PC(thread, thread->turbo.pc, 0);
}

// Takes every task whose key is due off the time-sync queue, supplies the time base of the ones
// that wait in an mftb and hands them out again.
void release_time_sync(uint64_t key)
{
    pturbo_data_s &d = pturbo_data;
    for (;;) {
        pturbo_spin_lock(&d.time_sync_queue.lock);
        ptask_s *task = d.time_sync_queue.head && d.time_sync_queue.head->key == key
                            ? ptask_queue_remove_head_safe(&d.time_sync_queue)
                            : nullptr;
        pturbo_spin_unlock(&d.time_sync_queue.lock);
        if (!task) return;
        ThreadState *thread = task->thread;
        if (thread->turbo.reason == EXIT_MFTB) {
            thread->turbo.tb_at_entry[1] = ThreadState__GetTB(thread);
            pturbo_stats.tb_supplied++;
        } else if (thread->turbo.reason != EXIT_DELAY_1000) {
            sim_error("OPTController Unsupported turbo_reason: %s", turbo_reason((unsigned)thread->turbo.reason));
        }
        distribute(task);
    }
}

} // namespace

uint32_t pturbo_go(ThreadState *thread)
{
    pturbo_data_s &d = pturbo_data;
    turbo_s &turbo = thread->turbo;
    GenericMachine *machine = thread->machine;
    tsim_s *tsim = machine && machine->tsim ? machine->tsim : tsim_current();
    if (!d.started) start_mode(thread);

    turbo.in_pturbo = 1;
    turbo.pturbo_done = 0;
    // A task stopped before it ran writes back the PC it started from, and leaves at least one
    // instruction to the interpreter.
    turbo.pc = thread->PC.value;
    turbo.pturbo_togo = 1;
    ptask_s *task = ptask_alloc(tsim);
    if (!task) {
        turbo.in_pturbo = 0;
        return 0;
    }
    pturbo_add_active_ptask(task);
    task->thread = thread;
    turbo.ptask = task;
    turbo.pturbo_tb_supplied = 0;
    task->job = tsim_active_job;
    task->start_tick = tsim ? tsim->now : ~0ull;
    run_to_tick = task->start_tick;
    turbo.pturbo_run_to = task->start_tick;
    task->instructions = 0;
    task->max_run_to_tick = task->start_tick;
    task->start_cycle = task->start_tick == 0 ? 0 : cycles_up(task->start_tick);
    distribute(task);
    d.active_count++;

    if (tsim) tsim_dispatch(tsim);

    if (thread->x_threadState != CPU_RUNNING)
        SIM_PRINT("pturbo_go: ******************************  ThreadState for %s not \"running\" but %d\n",
                  thread->name ? thread->name : "?", (int)thread->x_threadState);
    if (turbo.pturbo_done == -1)
        turbo.pturbo_done = 0;
    else
        pturbo_gone(thread);
    turbo.ptask = nullptr;
    turbo.in_pturbo = 0;
    ptask_release(task);
    return (uint32_t)turbo.pturbo_done;
}

void OPTController(tsim_s *tsim)
{
    pturbo_data_s &d = pturbo_data;
    if (d.active_count == 0 || in_dispatch) return;
    for (;;) {
        pturbo_service_zaps();
        const uint64_t c = priority_queue_get_priority(&d.time_sync_queue);
        if (d.active_count == 0) return;
        if (tsim->stop && *tsim->stop) {
            pturbo_zap_all_threads_now("stop_flag");
            continue;
        }
        if (tsim->async_flag) return;

        uint64_t candidate;
        proxy_s *next = peek_next_proxy(tsim);
        bool sync = false;
        if (next) {
            const uint64_t t = next->tick / tpc() * tpc();
            if (c >= t) {
                if (next->is_service) {
                    pturbo_zap_all_threads_now("service proxy");
                    continue;
                }
                if (run_to_tick >= t) return;
                candidate = t;
            } else {
                sync = true;
            }
        } else if (c == ~0ull) {
            pturbo_zap_all_threads_now("empty rq");
            continue;
        } else {
            sync = true;
        }
        if (sync) {
            if (c == run_to_tick) {
                tsim->now = c;
                release_time_sync(c);
                continue;
            }
            if (c < run_to_tick)
                sim_error("OPTController: sync-time is next but run_to_tick (%ldt) is > next_work_tick (%ldt).",
                          (long)run_to_tick, (long)c);
            candidate = c;
        }
        const uint64_t gap = candidate > run_to_tick ? candidate - run_to_tick : 0;
        run_to_tick = cycles_up(gap) < PTURBO_QUANTUM_CYCLES + 1 ? candidate
                                                                 : run_to_tick + PTURBO_QUANTUM_CYCLES * tpc();
        check_tick_is_on_cycle(run_to_tick);
        if (d.stop_requests || d.stop_all) {
            pturbo_stats.stop_dispatches++;
        } else {
            pturbo_stats.dispatches++;
            pturbo_stats.tasks_dispatched += d.active_count;
        }
        orig_run_to_tick = run_to_tick;
        release_OPTthreadsx();
        // A fatal error stops the simulation; the kernel's stop word ends the loop then.
    }
}

void release_OPTthreadsx(void)
{
    pturbo_data_s &d = pturbo_data;
    if (in_dispatch) return;
    in_dispatch = 1;
    tsim_s *tsim = tsim_current();
    d.dispatch_start_tick = tsim ? tsim->now : 0;
    {
        if (debug_state[DEBUG_CATEGORY_DISTRIBUTION] > 0 && d.active_count > 1) {
            SIM_PRINT("Ptask distribution:");
            for (int32_t h = 0; h < total_pturbo_threads; h++)
                SIM_PRINT(" %d:%d", (int)h, (int)d.new_list[h].count);
            SIM_PRINT(".\n");
        }
        __atomic_store_n(&pturbo_execution_mode, 1, __ATOMIC_SEQ_CST);
        pturbo_max_limit = PTURBO_MAX_LIMIT;
        d.tsc_start = __rdtsc();
        pturbo_release_begin();

        if (d.stop_requests || d.stop_all) {
            pturbo_spin_lock(&d.time_sync_queue.lock);
            for (ptask_s *task = d.time_sync_queue.head; task;) {
                ptask_s *next = task->next;
                if (task->stop || d.stop_all) {
                    ptask_queue_remove_ptask_safe(&d.time_sync_queue, task);
                    service_ptask(task);
                }
                task = next;
            }
            pturbo_spin_unlock(&d.time_sync_queue.lock);
        }
        pturbo_serve_own_lists(0);
        pturbo_wait_workers();
        d.tsc_end = __rdtsc();
        __atomic_store_n(&pturbo_execution_mode, 0, __ATOMIC_SEQ_CST);
        d.stop_requests = 0;
        d.stop_all = 0;

        update_pturbo_release_stats();
        if (debug_state[DEBUG_CATEGORY_FORECAST] > 0) pturbo_forecast_dispatch();
        harvest_finished_ptasks();
        for (ptask_s *task : d.active)
            if (task && task->thread->turbo.pturbo_run_to < run_to_tick)
                run_to_tick = task->thread->turbo.pturbo_run_to;
    }

    if (d.quiesce) {
        if (d.active_count > 0)
            sim_error("release_OPTthreadsx: attempt to quiesce threads, but %d ptasks active.", (int)d.active_count);
        if (!d.parked) pturbo_park_workers();
        d.quiesce = 0;
    }
    in_dispatch = 0;
}

void harvest_finished_ptasks(void)
{
    pturbo_data_s &d = pturbo_data;
    for (int32_t h = 0; h < PTURBO_MAX_HOST_THREADS; h++) {
        while (ptask_s *task = ptask_queue_remove_head_safe(&d.finished_list[h])) {
            d.active_count--;
            remove_active_ptask(task);
            ThreadState *thread = task->thread;
            if (thread->x_threadState != CPU_RUNNING)
                SIM_PRINT("harvest_finished_ptasks: ******************************  ThreadState for %s not "
                          "\"running\" but %d\n",
                          thread->name ? thread->name : "?", (int)thread->x_threadState);
            job_s *job = task->job;
            if (thread->turbo.pturbo_done == -1) {
                if (job) {
                    const uint64_t at = job->proxy.tick;
                    tsim_s *tsim = job->tsim;
                    if (at != task->start_tick)
                        sim_error("harvest_finished_ptasks: Time moved unexpectedly. job->at %ldt. p->start_tick %ldt.",
                                  (long)at, (long)task->start_tick);
                    else if (tsim && at != tsim->now)
                        sim_error("harvest_finished_ptasks: Time moved unexpectedly. job->at %ldt. currently %ldt.",
                                  (long)at, (long)tsim->now);
                }
            } else {
                const uint64_t smt_before = task->smt_delay_factor;
                uint64_t tick = task->start_tick + pturbo_going(task);
                if (tick > task->max_run_to_tick && thread->turbo.reason != EXIT_BOGUS) {
                    sim_warning(2,
                                "harvest_finished_ptasks. T %s is scheduled at %ldt, which is beyond "
                                "max-run-to-tick limit of %ldt. Instructions %ld Orig smt_extra %ld, current "
                                "smt_extra %ld.",
                                thread->name ? thread->name : "?", (long)tick, (long)task->max_run_to_tick,
                                (long)thread->turbo.pturbo_done, (long)smt_before, (long)thread->smt_delay_factor);
                    tick = task->max_run_to_tick;
                }
                if (job) job->proxy.tick = tick;
            }
            if (job) tsim_schedule(&job->proxy);
        }
    }
}

uint64_t pturbo_going(ptask_s *task)
{
    ThreadState *thread = task->thread;
    turbo_s &turbo = thread->turbo;
    const int32_t reason = turbo.reason;
    uint64_t ticks;
    bool halt = false;
    if (reason == EXIT_BOGUS && turbo.support_code == TURBO_SUPPORT_HALT) {
        // The halt is done; the thread idles until its next decrementer event, at most a quantum
        // after the call began.
        halt = true;
        turbo.pturbo_done++;
        turbo.pturbo_togo = 0;
        turbo.pc += 4;
        write_back_pc(thread);
        const uint64_t done = (uint64_t)turbo.pturbo_done;
        const uint64_t now = thread->processor && thread->processor->core_domain
                                 ? TD_get_current_cycles(thread->processor->core_domain)
                                 : 0;
        const uint64_t reached = task->start_cycle + done;
        const uint32_t spent = reached > now ? (uint32_t)(reached - now) : 0;
        const uint32_t limit = done < PTURBO_QUANTUM_CYCLES ? (uint32_t)(PTURBO_QUANTUM_CYCLES - done) : 0;
        const uint32_t idle = ThreadState__DecLimits(thread, spent, limit);
        ticks = turbo_report(thread, idle, done, 1);
    } else {
        if (reason == EXIT_XFLUSH) EMAT_XFLUSH(thread->mcm, turbo.xflush_address);
        ticks = turbo_report(thread, turbo.pturbo_togo, (uint64_t)turbo.pturbo_done, 0);
    }
    turbo_update_smt_priority(thread);
    thread->wake_me_up_if_my_priority_changes = 1;
    if (task->start_tick + ticks > task->max_run_to_tick)
        sim_warning(2,
                    "pturbo_going. T %s is scheduled at %ldt, which is beyond max-run-to-tick limit of %ldt. "
                    "Instructions %ld togo: %d, %sBogusHalt .",
                    thread->name ? thread->name : "?", (long)(task->start_tick + ticks), (long)task->max_run_to_tick,
                    (long)turbo.pturbo_done, (int)turbo.pturbo_togo, halt ? "" : "Not ");
    return ticks;
}

void pturbo_gone(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    thread->wake_me_up_if_my_priority_changes = 0;
    const int32_t reason = turbo.reason;
    switch (reason) {
    case EXIT_FETCH:
        thread->emat_fill_request = EMAT_FILL_FETCH;
        current_xlate_version++;
        break;
    case EXIT_READ:
        thread->emat_fill_request = EMAT_FILL_READ;
        break;
    case EXIT_WRITE:
        thread->emat_fill_request = EMAT_FILL_WRITE;
        break;
    default:
        thread->emat_fill_request = EMAT_FILL_NONE;
        break;
    }
    if (reason == EXIT_MFTB) sim_error("pturbo_gone: MFTB should't happen in pturbo mode.");
    const bool halt = reason == EXIT_BOGUS && turbo.support_code == TURBO_SUPPORT_HALT;
    if (cnt_is_active(TRACE_INSTRUCTION_COUNTER) || halt) trc_uncount_unfinished(reason);
}
