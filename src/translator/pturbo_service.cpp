// Serving a task of the parallel mode on any host thread: its budget up to the dispatch's run-to
// tick, the run of its coroutine (turbo_go on the task's stack), what the task comes back with, and
// finishing it.
#include <x86intrin.h>

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/message.h"
#include "translator/crack.h"
#include "translator/jit_stubs.h"
#include "translator/ptask.h"
#include "translator/pturbo_data.h"
#include "translator/pturbo_engine.h"
#include "translator/run_boundary.h"
#include "translator/turbo_go.h"
#include "translator/turbo_reason.h"
#include "translator/turbo_stats.h"

namespace
{

uint64_t tpc(void)
{
    return pturbo_data.ticks_per_cycle ? pturbo_data.ticks_per_cycle : 1;
}

bool has_limit(uint64_t limit)
{
    return limit != 0 && limit != ~0ull;
}

// Counts what an "unknown" exit left to the interpreter.
void count_unknown(const turbo_s &turbo)
{
    const int32_t kind = turbo.unknown_kind;
    if (kind < 0 || kind > (int32_t)KIND_LAST) return;
    turbo_counts_s &counts = turbo_stats.counts;
    __atomic_add_fetch(&counts.unknown_kinds[kind], 1, __ATOMIC_RELAXED);
    const uint32_t detail = (uint32_t)turbo.unknown_detail;
    if (kind == (int32_t)KIND_SUPPORT) {
        const uint32_t code = (uint32_t)turbo.unknown_code;
        if (code < (uint32_t)TURBO_SUPPORT_CODES) __atomic_add_fetch(&counts.support_codes[code], 1, __ATOMIC_RELAXED);
    } else if (detail < (uint32_t)TURBO_SPR_NUMBERS) {
        if (kind == (int32_t)KIND_MFSPR) __atomic_add_fetch(&counts.mfspr[detail], 1, __ATOMIC_RELAXED);
        if (kind == (int32_t)KIND_MTSPR) __atomic_add_fetch(&counts.mtspr[detail], 1, __ATOMIC_RELAXED);
    }
}

// What a finished run leaves in the thread: its PC, the FPSCR result class, the "unknown" counts.
void pturbo_finished_parallel(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    tFORCE_PC(thread, turbo.pc, 0);
    turbo_update_FPSCR(thread, 0, 0, 0);
    if (turbo.reason == EXIT_UNKNOWN) count_unknown(turbo);
}

// The thread's run-to tick after a service that ended on a used-up budget or a wait for time.
void set_run_to(ThreadState *thread, uint64_t tick)
{
    thread->turbo.pturbo_run_to = tick;
    check_tick_is_on_cycle(tick);
}

// The budget of a service up to the task's run-to tick; *limited when a stop count or a limit of
// the machine cut it.
uint64_t service_budget(ptask_s *task, bool *limited)
{
    ThreadState *thread = task->thread;
    GenericMachine *machine = thread->machine;
    *limited = false;
    uint64_t w = task->run_to_tick > task->start_tick ? (task->run_to_tick - task->start_tick + tpc() - 1) / tpc() : 0;
    const uint64_t count = thread->Instruction_Number;
    if (has_limit(thread->stop_after_instructions) && count + w > thread->stop_after_instructions) {
        w = thread->stop_after_instructions > count ? thread->stop_after_instructions - count : 0;
        *limited = true;
    }
    if (machine && has_limit(machine->instruction_limit) &&
        machine->instruction_count + w > machine->instruction_limit) {
        w = machine->instruction_limit > machine->instruction_count
                ? machine->instruction_limit - machine->instruction_count
                : 0;
        *limited = true;
    }
    const uint64_t x = thread->smt_delay_factor;
    if (x > 0) w *= x + 1;
    if (machine && machine->cycle_limit != 0 && machine->cycle_limit < task->start_cycle + w) {
        w = machine->cycle_limit > task->start_cycle ? machine->cycle_limit - task->start_cycle : 0;
        *limited = true;
    }
    if (x > 0) w = (w + x) / (x + 1);
    task->smt_delay_factor = x;
    const uint64_t done = (uint64_t)thread->turbo.pturbo_done;
    return w > done ? w - done : 0;
}

} // namespace

void do_pturbo_go_internal(ptask_s *task)
{
    ThreadState *thread = task->thread;
    const uint32_t result = turbo_go(thread, thread->turbo.pturbo_budget);
    if (result != 0) sim_error("do_pturbo_go_internal: turbo_go returned %d.", (int)result);
}

void ptask_finish(ptask_s *task)
{
    ptask_queue_add_tail_safe(&pturbo_data.finished_list[pturbo_thread_id], task);
    ThreadState *thread = task->thread;
    // The task's coroutine is given up where it stands (inside the exit stub's call-out).
    thread->turbo.in_callout = 0;
    thread->turbo.active = 0;
    if (thread->turbo.pturbo_done != -1) pturbo_finished_parallel(thread);
}

void service_ptask(ptask_s *task)
{
    pturbo_data_s &d = pturbo_data;
    ThreadState *thread = task->thread;
    turbo_s &turbo = thread->turbo;
    task->service_start = __rdtsc();
    task->service_end = 0;
    task->instructions = 0;
    if (thread->x_threadState != CPU_RUNNING)
        SIM_PRINT("service_ptask: ******************************  ThreadState for %s not \"running\" but %d\n",
                  thread->name ? thread->name : "?", (int)thread->x_threadState);

    if (d.stop_requests || d.stop_all) {
        if (task->stop || d.stop_all) {
            turbo.reason = EXIT_PTURBO_UNSAFE;
            ptask_finish(task);
        } else {
            ptask_queue_add_tail_safe(&d.pending_list[pturbo_thread_id], task);
        }
        task->service_end = __rdtsc();
        return;
    }

    task->run_to_tick = run_to_tick;
    bool limited = false;
    const uint64_t budget = service_budget(task, &limited);
    if ((budget == 0 && limited) || budget >= 0xFFFFFFFFull) {
        turbo.pturbo_budget = 0xFFFFFFFFu;
        turbo.pturbo_togo = 0;
        turbo.reason = EXIT_LIMIT;
        ptask_finish(task);
        task->service_end = __rdtsc();
        return;
    }
    turbo.pturbo_budget = (uint32_t)budget;
    if (task->run_to_tick > task->max_run_to_tick) task->max_run_to_tick = task->run_to_tick;
    if (budget == 0) {
        ptask_queue_add_tail_safe(&d.pending_list[pturbo_thread_id], task);
        task->service_end = __rdtsc();
        return;
    }

    // Run the task's coroutine on this host thread.
    turbo.pturbo_reader_count = &reservations_reader_count;
    MemoryMap *memory = thread->mcm && thread->mcm->mbus ? thread->mcm->mbus->memory_map : nullptr;
    turbo.pturbo_writer_count = memory ? &memory->pturbo_writer_count : nullptr;
    current_ptask = task;
    pturbo_executing_T = thread;
    turbo_running_thread = thread;
    const tsim_fault_hook_fn previous = tsim_set_handler(turbo_handler);
    old_sig11_handler = previous;
    task->handler = reinterpret_cast<void *>(turbo_handler);
    const int code = ptask_resume(task);
    task->handler = reinterpret_cast<void *>(tsim_set_handler(previous));
    turbo_running_thread = nullptr;
    reservations_reader_count = 0;
    // A reservation outlives the service: while it is valid the writer count stays raised, so that
    // the other host threads' stores take the path that revokes it.
    MemoryClient *client = thread->memory_client;
    if (turbo.pturbo_writer && !(client && __atomic_load_n(&client->reservation_valid, __ATOMIC_ACQUIRE)))
        decr_writer_count(thread);
    if (turbo.pturbo_page_lock) pturbo_release_reservation_lock(thread);

    if (code == -1) {
        turbo.pturbo_done = -1;
        turbo.pturbo_togo = turbo.pturbo_budget;
        task->instructions = 0;
        ptask_finish(task);
    } else {
        uint32_t togo = jit_after(thread, turbo.pturbo_togo);
        if (togo > turbo.pturbo_budget) {
            sim_error("togo = %d, not_reported = %d", (int)togo, (int)turbo.pturbo_budget);
            togo = turbo.pturbo_budget;
        }
        turbo.pturbo_togo = togo;
        const uint32_t done = turbo.pturbo_budget - togo;
        task->instructions = done;
        turbo.pturbo_done += done;
        if (code == 2) {
            ptask_queue_add_tail_safe(&d.pending_list[pturbo_thread_id], task);
            set_run_to(thread, task->run_to_tick);
        } else if (code == 3) {
            if (turbo.reason == EXIT_MFTB) {
                set_run_to(thread, task->start_tick + turbo_calc_delay(thread, (uint64_t)turbo.pturbo_done, 0));
            } else if (turbo.reason == EXIT_DELAY_1000) {
                const uint32_t moved = turbo.pturbo_togo < 1000 ? turbo.pturbo_togo : 1000;
                turbo.pturbo_togo -= moved;
                turbo.pturbo_done += moved;
                task->instructions += moved;
                set_run_to(thread, task->start_tick + turbo_calc_delay(thread, (uint64_t)turbo.pturbo_done, 0));
            }
            task->key = turbo.pturbo_run_to;
            task->key_copy = task->key;
            ptask_queue_add_priority_unsafe(&d.time_sync_queue, task);
        } else {
            ptask_finish(task);
        }
    }
    task->service_end = __rdtsc();
    current_ptask = nullptr;
    pturbo_executing_T = nullptr;
}
