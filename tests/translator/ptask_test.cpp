// Tasks as coroutines: a task runs on its own stack, suspends to whichever host thread resumed it
// and goes on there, returns as abandoned at its end, restarts from the beginning when reused, and
// is not run without a stack.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "kernel/tsim.h"
#include "translator/ptask.h"

namespace
{

struct Trace {
    std::vector<int> steps;
    std::vector<std::thread::id> hosts;
    bool on_own_stack = true;
};
Trace *trace = nullptr;

void record(ptask_s *task, int step)
{
    int local = 0;
    const auto here = reinterpret_cast<uint64_t>(&local), base = reinterpret_cast<uint64_t>(task->stack);
    trace->on_own_stack &= here > base + 4096 && here < base + PTASK_STACK_SIZE;
    trace->steps.push_back(step);
    trace->hosts.push_back(std::this_thread::get_id());
}

void body(ptask_s *task)
{
    record(task, 1);
    EXPECT_EQ(ptask_suspend(task, 2), 1);
    record(task, 2);
    EXPECT_EQ(ptask_suspend(task, 3), 1);
    record(task, 3);
}

class Ptask : public ::testing::Test
{
  public:
    Ptask() : tsim(tsim_new("ptask-test"))
    {
        ptask_body = body;
        trace = &t;
    }
    ~Ptask() override
    {
        ptask_body = nullptr;
        trace = nullptr;
        tsim_free(tsim);
    }
    tsim_s *tsim;
    Trace t;
};

TEST_F(Ptask, SuspendsToTheServingHostThreadAndGoesOnWhereverResumed)
{
    ptask_s *task = ptask_alloc(tsim);
    ASSERT_NE(task, nullptr);
    ASSERT_EQ(task->stack_made, 1);
    EXPECT_EQ(ptask_resume(task), 2);
    int code = 0;
    std::thread other([&] { code = ptask_resume(task); });
    other.join();
    EXPECT_EQ(code, 3);
    EXPECT_EQ(ptask_resume(task), -1) << "the body's end is an abandoned call";
    EXPECT_EQ(t.steps, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(t.on_own_stack);
    EXPECT_EQ(t.hosts[0], std::this_thread::get_id());
    EXPECT_NE(t.hosts[1], std::this_thread::get_id()) << "resumed by the other host thread";
    EXPECT_EQ(t.hosts[2], std::this_thread::get_id());

    // Released and taken again, the same task restarts its body from the beginning.
    ptask_release(task);
    ptask_s *again = ptask_alloc(tsim);
    EXPECT_EQ(again, task);
    EXPECT_EQ(ptask_resume(again), 2);
    EXPECT_EQ(t.steps, (std::vector<int>{1, 2, 3, 1}));
    ptask_release(again);
}

TEST_F(Ptask, ATaskWithoutAStackIsNotRun)
{
    ptask_s task{};
    EXPECT_EQ(ptask_resume(&task), -1);
    EXPECT_TRUE(t.steps.empty());
}

} // namespace
