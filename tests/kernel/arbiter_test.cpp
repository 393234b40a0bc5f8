// Arbiters and periodic loops.
#include "kernel/arbiter.h"
#include "kernel_fixture.h"
#include "support/sink_capture.h"

namespace
{

class ArbiterTest : public KernelTest
{
  protected:
    void TearDown() override
    {
        arbiter_free(arbiter);
        KernelTest::TearDown();
    }
    // Consumes every occupied slot, recording (slot, item value, tick).
    static void arbitrate(arbiter_s *arbiter, void *user_data)
    {
        auto *self = static_cast<ArbiterTest *>(user_data);
        for (int i = 0; i < arbiter->slots; i++) {
            if (int *item = static_cast<int *>(arbiter_index(arbiter, i))) {
                self->mark("slot " + std::to_string(i) + "=" + std::to_string(*item));
                arbiter_delete(arbiter, i);
            }
        }
    }
    arbiter_s *arbiter = nullptr;
};

TEST_F(ArbiterTest, FirstSendWakesTheArbitrationJobAtTheSameTick)
{
    arbiter = arbiter_new(tsim, arbitrate, sizeof(int), 4, this);
    ASSERT_NE(arbiter, nullptr);
    spawn("sender", [&] {
        current_delay_ticks(7);
        EXPECT_EQ(arbiter->job->proxy.state, PROXY_BLOCKED);
        *static_cast<int *>(arbiter_send(arbiter, 2)) = 20;
        *static_cast<int *>(arbiter_send(arbiter, 0)) = 5;
        EXPECT_EQ(arbiter_count(arbiter), 2);
        current_delay_ticks(3);
        *static_cast<int *>(arbiter_send(arbiter, 2)) = 21; // free again
    });
    run();
    EXPECT_EQ(trace, (Trace{{"slot 0=5", 7}, {"slot 2=20", 7}, {"slot 2=21", 10}}));
    EXPECT_EQ(arbiter_count(arbiter), 0);
}

TEST_F(ArbiterTest, BusySlotAndBadIndexesAreReportedAndChangeNothing)
{
    arbiter = arbiter_new(tsim, arbitrate, sizeof(int), 2, this);
    ASSERT_NE(arbiter, nullptr);
    run(); // the arbitration job blocks
    int *first = static_cast<int *>(arbiter_send(arbiter, 1));
    ASSERT_NE(first, nullptr);
    *first = 11;
    struct Case {
        const char *name;
        std::function<void *()> act;
        const char *report;
    };
    const Case cases[] = {
        {"busy", [&] { return arbiter_send(arbiter, 1); },
         "jobs : ERROR : jobs :  arbiter_send: destination busy jobs : \n"},
        {"send -1", [&] { return arbiter_send(arbiter, -1); },
         "jobs : ERROR : jobs :  arbiter_send: index out of bound jobs : \n"},
        {"index 2", [&] { return arbiter_index(arbiter, 2); },
         "jobs : ERROR : jobs : arbiter_index: index out of boundjobs : \n"},
        {"delete 2",
         [&] {
             arbiter_delete(arbiter, 2);
             return nullptr;
         },
         "jobs : ERROR : jobs : arbiter_delete: index out of boundjobs : \n"},
        {"free slot", [&] { return arbiter_index(arbiter, 0); }, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SinkCapture out;
        EXPECT_EQ(c.act(), nullptr);
        EXPECT_EQ(out.text(), c.report);
        EXPECT_EQ(arbiter_count(arbiter), 1);
        EXPECT_EQ(*static_cast<int *>(arbiter_index(arbiter, 1)), 11);
    }
    run();
    EXPECT_EQ(trace, (Trace{{"slot 1=11", 0}}));
}

// ---------------------------------------------------------------------------------------------
// Loops

class LoopTest : public KernelTest
{
  protected:
    void TearDown() override
    {
        if (loop) loop_free(loop);
        KernelTest::TearDown();
    }
    // Records the tick of every call; stops the run after the given number of calls.
    static void tick(loop_s *loop, void *argument)
    {
        auto *self = static_cast<LoopTest *>(argument);
        self->calls.push_back(loop->job.tsim->now);
        if (self->on_call) self->on_call();
        if (self->calls.size() >= self->calls_wanted) self->stop = 1;
    }
    void start(uint64_t period, size_t wanted)
    {
        calls_wanted = wanted;
        loop = loop_new(tsim, period, tick, this);
        ASSERT_NE(loop, nullptr);
    }
    loop_s *loop = nullptr;
    std::vector<uint64_t> calls;
    size_t calls_wanted = 0;
    std::function<void()> on_call;
};

TEST_F(LoopTest, CallsEveryPeriod)
{
    start(100, 3);
    run();
    EXPECT_EQ(calls, (std::vector<uint64_t>{100, 200, 300}));
}

TEST_F(LoopTest, SetRetimesFromNowWithoutACall)
{
    start(100, 4);
    spawn("retimer", [&] {
        current_delay_ticks(130);
        loop_set(loop, 50);
    });
    run();
    EXPECT_EQ(calls, (std::vector<uint64_t>{100, 180, 230, 280}));
}

TEST_F(LoopTest, HeldUpLoopSkipsToTheNextPeriodAhead)
{
    start(100, 4);
    on_call = [&] {
        if (tsim->now == 200) current_delay_ticks(150); // next tick 300 has passed at 350
    };
    run();
    EXPECT_EQ(calls, (std::vector<uint64_t>{100, 200, 450, 550}));
}

TEST_F(LoopTest, IdleUntilGivenAPeriod)
{
    start(0, 2);
    spawn("starter", [&] {
        current_delay_ticks(500);
        EXPECT_TRUE(calls.empty());
        loop_set(loop, 40);
    });
    run();
    EXPECT_EQ(calls, (std::vector<uint64_t>{540, 580}));
}

} // namespace
