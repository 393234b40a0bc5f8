// The timing forecast of the parallel mode: after a dispatch, the service times of its tasks
// predict what 1 to 16 host threads would have taken (round-robin), what one host thread and a
// perfect spread would take, against what the dispatch took. Also the per-host-thread work-time
// statistics.
#include <x86intrin.h>

#include <algorithm>

#include "runtime/message.h"
#include "translator/ptask.h"
#include "translator/pturbo_data.h"
#include "translator/pturbo_engine.h"
#include "translator/pturbo_stats.h"

namespace
{

// Host time-stamp costs of handing a task over and of a dispatch.
constexpr int64_t TASK_COST = 300;
constexpr int64_t DISPATCH_COST = 1800;
constexpr int64_t SINGLE_COST = 1170;

constexpr int WORK_TYPES = 8;
const char *const work_type_names[WORK_TYPES] = {"idle",   "service", "dispatch", "harvest",
                                                 "spin",   "lock",    "callout",  "other"};

struct work_time_s {
    uint64_t buckets[WORK_TYPES];
    int32_t current;
    uint64_t last;
};

bool work_time_enabled = false;
work_time_s work_time[PTURBO_MAX_HOST_THREADS];

} // namespace

void pturbo_forecast_dispatch(void)
{
    pturbo_data_s &d = pturbo_data;
    int64_t bucket_sum[PTURBO_FORECAST_MODELS][PTURBO_FORECAST_MODELS] = {};
    int64_t bucket_tasks[PTURBO_FORECAST_MODELS][PTURBO_FORECAST_MODELS] = {};
    int64_t total = 0, widest = 0;
    int64_t i = 0;
    for (int32_t h = 0; h < total_pturbo_threads; h++) {
        uint64_t first = ~0ull, last = 0;
        for (const ptask_queue_s *list : {&d.finished_list[h], &d.new_list[h]}) {
            for (const ptask_s *task = list->head; task; task = task->next) {
                const int64_t g = task->service_end > task->service_start
                                      ? (int64_t)(task->service_end - task->service_start)
                                      : 0;
                pturbo_service_sum += g;
                pturbo_service_count++;
                total += g;
                for (int m = 0; m < PTURBO_FORECAST_MODELS; m++) {
                    bucket_sum[m][i % (m + 1)] += g;
                    bucket_tasks[m][i % (m + 1)]++;
                }
                i++;
                first = std::min(first, task->service_start);
                last = std::max(last, task->service_end);
            }
        }
        if (first != ~0ull) widest = std::max(widest, (int64_t)(last - first) + DISPATCH_COST);
    }
    sum_perfect_ptimes += widest;
    for (int m = 0; m < PTURBO_FORECAST_MODELS; m++) {
        int64_t most = 0;
        for (int b = 0; b <= m; b++) {
            const int64_t tasks = bucket_tasks[m][b];
            most = std::max(most, bucket_sum[m][b] + TASK_COST * (tasks - 1) + DISPATCH_COST);
        }
        pturbo_forecast[m] += most;
    }
    sum_0_ptimes += total + TASK_COST * i + (i ? 330 : 630) + SINGLE_COST;
    sum_actual_ptimes += (int64_t)(d.tsc_end - d.tsc_start);
}

void pturbo_pstats_enable(void)
{
    work_time_enabled = true;
}

void pturbo_pstats_disable(void)
{
    work_time_enabled = false;
}

void pturbo_pstats_reset(void)
{
    for (work_time_s &record : work_time)
        record = {};
}

void switching_to_work_type(int type)
{
    if (!work_time_enabled || type < 0 || type >= WORK_TYPES) return;
    work_time_s &record = work_time[pturbo_thread_id];
    const uint64_t now = __rdtsc();
    if (record.last) record.buckets[record.current] += now - record.last;
    record.current = type;
    record.last = now;
}

void pturbo_pstats_report(void)
{
    SIM_PRINT("\tWhere we spent our time.\n");
    for (int32_t h = 0; h < total_pturbo_threads; h++) {
        SIM_PRINT("\t\tPthread %d:\n", (int)h);
        uint64_t sum = 0;
        for (int k = 0; k < WORK_TYPES; k++) {
            SIM_PRINT("\t\t\t%-15s %ld\n", work_type_names[k], (long)work_time[h].buckets[k]);
            sum += work_time[h].buckets[k];
        }
        SIM_PRINT("\t\t\t%-15s %ld\n", "TOTAL: ", (long)sum);
    }
}
