// Gates and priority gates.
#include "kernel/gate.h"
#include "kernel_fixture.h"
#include "support/sink_capture.h"

namespace {

class GateTest : public KernelTest {
  protected:
    void TearDown() override
    {
        if (gate.tsim) gate_cleanup(&gate);
        if (pgate.tsim) pgate_cleanup(&pgate);
        KernelTest::TearDown();
    }
    gate_s gate = {};
    pgate_s pgate = {};
};

TEST_F(GateTest, LeaveHandsThePlaceToTheWaiterAtTheSameTick)
{
    gate_init(&gate, tsim, 1);
    spawn("first", [&] {
        gate_enter(&gate);
        mark("first in");
        current_delay_ticks(10);
        gate_leave(&gate);
        EXPECT_EQ(gate.count, 1u); // handed over, not freed
    });
    spawn("second", [&] {
        gate_enter(&gate);
        mark("second in");
        EXPECT_EQ(gate.count, 1u);
        EXPECT_EQ(gate.in_transit, 0);
        current_delay_ticks(5);
        gate_leave(&gate);
        EXPECT_EQ(gate.count, 0u);
        gate_leave(&gate); // nobody inside, nobody waiting
        EXPECT_EQ(gate.count, 0u);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"first in", 0}, {"second in", 10}}));
    EXPECT_EQ(gate.count, 0u);
}

TEST_F(GateTest, WaitersAreAdmittedByPriority)
{
    gate_init(&gate, tsim, 1);
    spawn(
        "holder",
        [&] {
            gate_enter(&gate);
            current_delay_ticks(1);
            gate_leave(&gate);
        },
        9); // runs first
    for (auto [name, priority] : {std::pair{"p3", 3}, std::pair{"p7", 7}})
        spawn(
            name,
            [&, name] {
                gate_enter(&gate);
                mark(name);
                gate_leave(&gate);
            },
            priority);
    run();
    EXPECT_EQ(trace, (Trace{{"p7", 1}, {"p3", 1}}));
}

// With two places: A and C inside, B waiting. A's leave admits B; C's leave frees a place while
// B has not run yet, so a try fails and an enter lets B go first.
TEST_F(GateTest, AdmittedJobsThatHaveNotRunGoFirst)
{
    for (bool use_try : {true, false}) {
        SCOPED_TRACE(use_try ? "gate_try" : "gate_enter");
        trace.clear();
        gate_init(&gate, tsim, 2);
        spawn("A", [&] {
            gate_enter(&gate);
            current_delay_ticks(1);
            gate_leave(&gate);
        });
        spawn("C", [&] {
            gate_enter(&gate);
            current_delay_ticks(1);
            gate_leave(&gate);
            EXPECT_EQ(gate.count, 1u);
            EXPECT_EQ(gate.in_transit, 1);
            if (use_try) {
                EXPECT_EQ(gate_try(&gate), 0);
                mark("C tried");
                current_nice();
                EXPECT_EQ(gate_try(&gate), 1); // B has run
                mark("C in");
            } else {
                gate_enter(&gate);
                mark("C in");
            }
            gate_leave(&gate);
        });
        spawn("B", [&] {
            gate_enter(&gate);
            mark("B in");
            gate_leave(&gate);
        });
        run();
        if (use_try)
            EXPECT_EQ(trace, (Trace{{"C tried", 1}, {"B in", 1}, {"C in", 1}}));
        else
            EXPECT_EQ(trace, (Trace{{"B in", 1}, {"C in", 1}}));
        EXPECT_EQ(gate.count, 0u);
        EXPECT_EQ(gate.in_transit, 0);
        tsim->now = 0;
    }
}

TEST_F(GateTest, WiderGateAdmitsSeveralWaitersOnTheNextLeave)
{
    gate_init(&gate, tsim, 1);
    spawn("holder", [&] {
        gate_enter(&gate);
        current_delay_ticks(3);
        gate_reset_width(&gate, 3);
        EXPECT_EQ(gate.capacity, 1u); // follows at the next leave
        gate_leave(&gate);
        EXPECT_EQ(gate.capacity, 3u);
        EXPECT_EQ(gate.count, 2u);
    });
    for (const char *name : {"w1", "w2"})
        spawn(name, [&, name] {
            gate_enter(&gate);
            mark(name);
            current_delay_ticks(1);
            gate_leave(&gate);
        });
    run();
    EXPECT_EQ(trace, (Trace{{"w1", 3}, {"w2", 3}}));
    EXPECT_EQ(gate.count, 0u);
}

TEST_F(GateTest, NarrowerGateShrinksAsJobsLeave)
{
    gate_init(&gate, tsim, 3);
    for (const char *name : {"a", "b", "c"})
        spawn(name, [&] {
            gate_enter(&gate);
            current_delay_ticks(2);
            gate_leave(&gate);
        });
    spawn("late", [&] {
        current_delay_ticks(1);
        gate_reset_width(&gate, 1);
        gate_enter(&gate); // still three inside: waits
        mark("late in");
        gate_leave(&gate);
    });
    run();
    // a and b leave without admitting (count 3 -> 2 -> 1); c's leave hands its place over.
    EXPECT_EQ(trace, (Trace{{"late in", 2}}));
    EXPECT_EQ(gate.count, 0u);
}

TEST_F(GateTest, ClockedGateAdmitsOnlyOnItsGrid)
{
    gate_init(&gate, tsim, 1);
    gate_synchronous(&gate, nullptr, 100, 50); // ticks 100, 150, 200, ...
    spawn("A", [&] {
        EXPECT_EQ(gate_try(&gate), 0);
        gate_enter(&gate);
        mark("A in");
        current_delay_ticks(20);
        gate_leave(&gate);
    });
    spawn("B", [&] {
        current_delay_ticks(10);
        gate_enter(&gate);
        mark("B in");
        gate_leave(&gate);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"A in", 100}, {"B in", 150}}));
    EXPECT_EQ(gate.count, 0u);
    EXPECT_EQ(gate.in_transit, 0);
}

TEST(SyncBlock, NextGridTick)
{
    struct Case {
        uint64_t first;
        int64_t period;
        uint64_t now, next;
    };
    const Case cases[] = {
        {100, 50, 0, 100},   {100, 50, 100, 100}, {100, 50, 101, 150},
        {100, 50, 150, 150}, {100, 0, 130, 130},  {0, 7, 15, 21},
        {10, 1ll << 62, ~uint64_t(0) - 1, ~uint64_t(0)}, // beyond the tick range
    };
    for (const Case &c : cases) {
        tsim_sync_s block;
        set_synchronous(&block, nullptr, c.first, c.period);
        EXPECT_EQ(block.synchronous, 1);
        EXPECT_EQ(sync_next_tick(&block, c.now), c.next) << c.first << " " << c.period << " " << c.now;
    }
    tsim_sync_s block;
    set_synchronous(&block, nullptr, 0, 0);
    EXPECT_EQ(block.synchronous, 0);
}

TEST_F(GateTest, PriorityGateAdmitsByKeyThenArrival)
{
    pgate_init(&pgate, tsim, 1);
    spawn("holder", [&] {
        EXPECT_EQ(pgate_try(&pgate, 0), 1);
        EXPECT_EQ(pgate_try(&pgate, 99), 0);
        current_delay_ticks(1);
        pgate_leave(&pgate);
    });
    for (auto [name, key] : {std::pair{"5a", 5u}, std::pair{"9", 9u}, std::pair{"5b", 5u}})
        spawn(name, [&, name, key] {
            pgate_enter(&pgate, key);
            mark(name);
            current_delay_ticks(1);
            pgate_leave(&pgate);
        });
    run();
    EXPECT_EQ(trace, (Trace{{"9", 1}, {"5a", 2}, {"5b", 3}}));
    EXPECT_EQ(pgate.count, 0);
}

TEST_F(GateTest, PriorityGateCleanupReportsWaiters)
{
    pgate_init(&pgate, tsim, 0);
    spawn("waiter", [&] { pgate_enter(&pgate, 1); });
    run();
    SinkCapture out;
    pgate_cleanup(&pgate);
    EXPECT_EQ(out.text(), "jobs : ERROR : jobs : pgate has waiting jobsjobs : \n");
    EXPECT_NE(pgate.queue.first, nullptr); // left waiting
    job_free(reinterpret_cast<job_s *>(pgate.queue.first)); // withdraws it
    EXPECT_EQ(pgate.queue.first, nullptr);
}

TEST_F(GateTest, CleanupDropsWaitersWithoutWakingThem)
{
    gate_s *g = gate_new(tsim, 0);
    ASSERT_NE(g, nullptr);
    spawn("waiter", [&] {
        gate_enter(g);
        mark("woken");
    });
    run();
    gate_free(g);
    run();
    EXPECT_TRUE(trace.empty());
}

} // namespace
