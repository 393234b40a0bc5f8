// Worker host threads of the parallel mode: the host-thread count of "pturbo_threads", one
// dispatch that serves every host thread's new list on that host thread, pending tasks back on the
// new list for the next dispatch, parking, and ending the workers.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "translator/ptask.h"
#include "translator/pturbo_data.h"
#include "translator/pturbo_workers.h"

namespace
{

std::atomic<int> served{0};
int32_t served_by[16];

// Records the serving host thread; a task with a key of 1 uses up its budget once and waits on
// this host thread's pending list.
void serve(ptask_s *task)
{
    served++;
    served_by[task->stack_constant] = pturbo_thread_id;
    if (task->key == 1) {
        task->key = 0;
        ptask_queue_add_tail_safe(&pturbo_data.pending_list[pturbo_thread_id], task);
        return;
    }
    ptask_queue_add_tail_safe(&pturbo_data.finished_list[pturbo_thread_id], task);
}

TEST(PturboWorkers, HostThreadsOfTheWorkerCount)
{
    const struct {
        int32_t workers, host_threads;
    } cases[] = {{0, 1}, {3, 4}, {62, 63}, {63, 64}, {99, 64}, {-1, 1}};
    for (const auto &c : cases)
        EXPECT_EQ(pturbo_host_threads_for(c.workers), c.host_threads) << c.workers;
}

TEST(PturboWorkers, ADispatchServesEveryListOnItsHostThread)
{
    void (*saved)(ptask_s *) = pturbo_serve;
    pturbo_serve = serve;
    pturbo_start_workers(3);
    ASSERT_EQ(total_pturbo_threads, 4);
    EXPECT_EQ(pturbo_data.workers_started, 3);

    std::vector<ptask_s> tasks(8);
    std::vector<int32_t> placed(tasks.size());
    for (size_t i = 0; i < tasks.size(); i++) {
        tasks[i].stack_constant = (int32_t)i; // the task's number for the record
        tasks[i].key = i == 5 ? 1 : 0;
        placed[i] = ptask_distribute(pturbo_data.new_list, total_pturbo_threads, &tasks[i]);
    }
    pturbo_release_workers();
    EXPECT_EQ(served, 8);
    for (size_t i = 0; i < tasks.size(); i++)
        EXPECT_EQ(served_by[i], placed[i]) << "task " << i;
    int finished = 0;
    for (int h = 0; h < total_pturbo_threads; h++)
        finished += pturbo_data.finished_list[h].count;
    EXPECT_EQ(finished, 7);
    EXPECT_EQ(pturbo_data.new_list[placed[5]].head, &tasks[5]) << "back on its new list";

    // Parked workers serve nothing; unparked, the next dispatch serves the waiting task.
    pturbo_park_workers();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    pturbo_unpark_workers();
    pturbo_release_workers();
    EXPECT_EQ(served, 9);
    EXPECT_EQ(pturbo_data.new_list[placed[5]].count, 0);

    pturbo_end_workers();
    EXPECT_EQ(pturbo_data.workers_started, 0);
    EXPECT_EQ(total_pturbo_threads, 1);
    for (int h = 0; h < 4; h++)
        while (ptask_queue_remove_head_safe(&pturbo_data.finished_list[h])) {
        }
    pturbo_serve = saved;
}

TEST(PturboWorkers, ParkedWorkersEnd)
{
    pturbo_start_workers(2);
    pturbo_park_workers();
    pturbo_end_workers();
    EXPECT_EQ(pturbo_data.workers_started, 0);
    EXPECT_EQ(pturbo_data.parked, 0);
}

} // namespace
