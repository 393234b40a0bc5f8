// The task lists of the parallel mode: tail and priority order, removal and its error, the line
// layout, and the distribution of new tasks over host threads.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "runtime/stop.h"
#include "support/sink_capture.h"
#include "translator/ptask.h"
#include "translator/ptask_queue.h"

namespace
{

std::vector<uint64_t> keys(const ptask_queue_s &q)
{
    std::vector<uint64_t> out;
    for (ptask_s *t = q.head; t; t = t->next)
        out.push_back(t->key);
    return out;
}

TEST(PtaskQueue, LockLinksAndCountSitOnLinesOfTheirOwn)
{
    EXPECT_EQ(offsetof(ptask_queue_s, head) - offsetof(ptask_queue_s, lock), 128u);
    EXPECT_EQ(offsetof(ptask_queue_s, count) - offsetof(ptask_queue_s, head), 128u);
}

TEST(PtaskQueue, PriorityOrderTailOrderAndRemoval)
{
    ptask_queue_s q;
    ptask_queue_init(&q, "time_sync_queue");
    EXPECT_EQ(priority_queue_get_priority(&q), ~0ull);
    std::vector<ptask_s> tasks(6);
    const uint64_t order[] = {500, 100, 900, 300, 300, 100};
    for (size_t i = 0; i < tasks.size(); i++) {
        tasks[i].key = order[i];
        EXPECT_EQ(ptask_queue_add_priority_unsafe(&q, &tasks[i]), (int32_t)i + 1);
    }
    EXPECT_EQ(keys(q), (std::vector<uint64_t>{100, 100, 300, 300, 500, 900}));
    EXPECT_EQ(q.head, &tasks[5]) << "an equal key at the head goes in front";
    EXPECT_EQ(q.tail, &tasks[2]);
    EXPECT_EQ(priority_queue_get_priority(&q), 100u);

    EXPECT_EQ(ptask_queue_remove_ptask_unsafe(&q, &tasks[2]), 5); // the tail
    EXPECT_EQ(q.tail, &tasks[0]);
    EXPECT_EQ(ptask_queue_remove_ptask_safe(&q, &tasks[5]), 4); // the head
    EXPECT_EQ(ptask_queue_remove_head_unsafe(&q), &tasks[1]);
    EXPECT_EQ(keys(q), (std::vector<uint64_t>{300, 300, 500}));
    {
        SinkCapture capture;
        EXPECT_EQ(ptask_queue_remove_ptask_safe(&q, &tasks[5]), 3);
        EXPECT_NE(capture.text().find("ptask_queue_remove_ptask_safe. Could not find ptask on queue!"),
                  std::string::npos);
    }
    Start_The_Simulation();
    while (ptask_queue_remove_head_safe(&q)) {
    }
    EXPECT_EQ(q.count, 0);
    EXPECT_EQ(q.tail, nullptr);
    EXPECT_EQ(ptask_queue_add_tail_safe(&q, &tasks[4]), 1);
    EXPECT_EQ(ptask_queue_add_tail_safe(&q, &tasks[0]), 2);
    EXPECT_EQ(keys(q), (std::vector<uint64_t>{300, 500}));
}

TEST(PtaskQueue, DistributionPrefersAnEmptyListThenTheShortest)
{
    const struct {
        std::vector<int> counts;
        int32_t chosen;
    } cases[] = {{{2, 0, 1}, 1}, {{2, 3, 2}, 0}, {{0, 0}, 0}, {{3, 2, 2}, 1}, {{1}, 0}};
    for (const auto &c : cases) {
        std::vector<ptask_queue_s> lists(c.counts.size());
        std::vector<ptask_s> tasks(16);
        size_t used = 0;
        for (size_t i = 0; i < lists.size(); i++) {
            ptask_queue_init(&lists[i], "ptask_new_list");
            for (int k = 0; k < c.counts[i]; k++)
                ptask_queue_add_tail_safe(&lists[i], &tasks[used++]);
        }
        ptask_s task{};
        EXPECT_EQ(ptask_distribute(lists.data(), (int32_t)lists.size(), &task), c.chosen);
        EXPECT_EQ(lists[c.chosen].tail, &task);
        EXPECT_EQ(lists[c.chosen].count, c.counts[c.chosen] + 1);
    }
}

} // namespace
