// The parallel mode's shared block: the active-task table and its limit, the release statistics of
// a dispatch, and the cycle check of run-to ticks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/stop.h"
#include "support/sink_capture.h"
#include "translator/ptask.h"
#include "translator/pturbo_data.h"
#include "translator/pturbo_stats.h"

namespace
{

class PturboData : public ::testing::Test
{
  public:
    PturboData()
    {
        pturbo_data_init_once();
        clear();
    }
    ~PturboData() override
    {
        clear();
        Start_The_Simulation();
    }
    void clear()
    {
        for (ptask_s *&entry : pturbo_data.active)
            entry = nullptr;
        pturbo_data.active_count = 0;
        pturbo_stats = {};
    }
};

TEST_F(PturboData, TheActiveTableHoldsAtMostMaxPtasks)
{
    std::vector<ptask_s> tasks(MAX_PTASKS + 1);
    for (int i = 0; i < MAX_PTASKS; i++)
        EXPECT_EQ(pturbo_add_active_ptask(&tasks[i]), i);
    {
        SinkCapture capture;
        EXPECT_EQ(pturbo_add_active_ptask(&tasks[MAX_PTASKS]), -1);
        EXPECT_NE(capture.text().find("Number of simultaneously active ptasks exceeds MAX_PTASKS (256)"),
                  std::string::npos);
    }
    remove_active_ptask(&tasks[7]);
    EXPECT_EQ(pturbo_add_active_ptask(&tasks[MAX_PTASKS]), 7) << "the first empty entry";
    SinkCapture capture;
    remove_active_ptask(&tasks[7]);
    EXPECT_NE(capture.text().find("remove_active_ptask: failed to find ptask in active_ptasks array."),
              std::string::npos);
}

TEST_F(PturboData, ReleaseStatisticsTakeTheSumTheMaximumAndTheCoTaskShare)
{
    ptask_s a{}, b{}, c{};
    a.instructions = 10;
    b.instructions = 40;
    c.instructions = 25;
    for (ptask_s *task : {&a, &b, &c})
        pturbo_add_active_ptask(task);
    pturbo_data.active_count = 3;
    update_pturbo_release_stats();
    EXPECT_EQ(pturbo_stats.parallel_instructions, 75);
    EXPECT_EQ(pturbo_stats.single_instructions, 40);
    EXPECT_FLOAT_EQ(pturbo_stats.per_co_task, 17.5f);
    EXPECT_EQ(a.instructions + b.instructions + c.instructions, 0u) << "taken and zeroed";

    // A task missing from the table is reported; a lone task adds no co-task share.
    remove_active_ptask(&a);
    remove_active_ptask(&c);
    b.instructions = 5;
    pturbo_data.active_count = 2;
    SinkCapture capture;
    update_pturbo_release_stats();
    EXPECT_NE(capture.text().find(
                  "update_pturbo_release_stats: 2 active ptasks, but couldn't account for 1 of them."),
              std::string::npos);
    pturbo_data.active_count = 1;
    b.instructions = 5;
    update_pturbo_release_stats();
    EXPECT_FLOAT_EQ(pturbo_stats.per_co_task, 17.5f); // (5 - 5) / 1, then nothing
    EXPECT_EQ(pturbo_stats.parallel_instructions, 85);
}

TEST_F(PturboData, RunToTicksOffACycleAreReported)
{
    pturbo_data.ticks_per_cycle = 4;
    const struct {
        uint64_t ticks;
        const char *text;
    } cases[] = {{0, ""}, {8, ""}, {9, "check_tick_is_on_cycle. in ticks: 9t. out ticks: 12t.\n"}};
    for (const auto &c : cases) {
        SinkCapture capture;
        check_tick_is_on_cycle(c.ticks);
        EXPECT_EQ(capture.text(), c.text) << c.ticks;
    }
    pturbo_data.ticks_per_cycle = 1;
}

} // namespace
