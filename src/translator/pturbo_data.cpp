// The shared block of the parallel mode and the operations on it that need no running engine.
#include "translator/pturbo_data.h"

#include "runtime/message.h"
#include "translator/ptask.h"
#include "translator/pturbo_stats.h"

pturbo_data_s pturbo_data;

void pturbo_data_init_once(void)
{
    pturbo_data_s &d = pturbo_data;
    if (d.initialised) return;
    d.initialised = 1;
    ptask_queue_init(&d.time_sync_queue, "time_sync_queue");
    ptask_queue_init(&d.overflow_list, "ptask_new_overflow_list");
    for (int i = 0; i < PTURBO_MAX_HOST_THREADS; i++) {
        ptask_queue_init(&d.pending_list[i], "ptask_pending_list");
        ptask_queue_init(&d.finished_list[i], "ptask_finished_list");
        ptask_queue_init(&d.new_list[i], "ptask_new_list");
    }
    pturbo_mutex_init(&d.park_mutex);
    d.generation = 0;
    pturbo_stats = {};
    pturbo_host_thread_start(0);
    for (ptask_s *&entry : d.active)
        entry = nullptr;
    d.active_count = 0;
    d.quiesce = 0;
    if (d.ticks_per_cycle == 0) d.ticks_per_cycle = 1;
}

int32_t pturbo_add_active_ptask(ptask_s *task)
{
    for (int32_t i = 0; i < MAX_PTASKS; i++) {
        if (pturbo_data.active[i]) continue;
        pturbo_data.active[i] = task;
        return i;
    }
    sim_error("Number of simultaneously active ptasks exceeds MAX_PTASKS (%d)", MAX_PTASKS);
    return -1;
}

void remove_active_ptask(ptask_s *task)
{
    for (ptask_s *&entry : pturbo_data.active) {
        if (entry != task) continue;
        entry = nullptr;
        return;
    }
    sim_error("remove_active_ptask: failed to find ptask in active_ptasks array.");
}

void update_pturbo_release_stats(void)
{
    int64_t sum = 0, most = 0;
    int32_t found = 0;
    for (ptask_s *task : pturbo_data.active) {
        if (!task) continue;
        found++;
        const int64_t n = task->instructions;
        task->instructions = 0;
        sum += n;
        if (n > most) most = n;
    }
    const int32_t active = pturbo_data.active_count;
    if (found < active)
        sim_error("update_pturbo_release_stats: %d active ptasks, but couldn't account for %d of them.",
                  active, active - found);
    pturbo_stats.parallel_instructions += sum;
    pturbo_stats.single_instructions += most;
    if (active >= 2) pturbo_stats.per_co_task += (float)(sum - most) / (float)(active - 1);
}

void check_tick_is_on_cycle(uint64_t ticks)
{
    const uint64_t tpc = pturbo_data.ticks_per_cycle ? pturbo_data.ticks_per_cycle : 1;
    if (ticks == 0 || ticks % tpc == 0) return;
    SIM_PRINT("check_tick_is_on_cycle. in ticks: %ldt. out ticks: %ldt.\n", (long)ticks,
              (long)((ticks + tpc - 1) / tpc * tpc));
}
