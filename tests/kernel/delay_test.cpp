// Delays, yields and blocking.
#include <regex>

#include "kernel_fixture.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

namespace {

using DelayTest = KernelTest;

TEST_F(DelayTest, DelayWithNothingDueEarlierDoesNotSwitch)
{
    job_s *later = nullptr;
    spawn("delayer", [&] {
        job_schedule_at(later, 20);
        uint64_t dispatches = tsim_dispatch_version(tsim);
        current_delay_ticks(10);
        EXPECT_EQ(tsim_dispatch_version(tsim), dispatches);
        mark("delayed");
    });
    later = spawn("later", [&] { mark("later"); });
    run();
    EXPECT_EQ(trace, (Trace{{"delayed", 10}, {"later", 20}}));
}

TEST_F(DelayTest, DelayOntoAnOccupiedTickQueuesByPriority)
{
    struct Case {
        int other_priority;
        Trace expected;
    };
    const Case cases[] = {
        {5, {{"other", 10}, {"delayer", 10}}},
        {9, {{"other", 10}, {"delayer", 10}}},
        {1, {{"delayer", 10}, {"other", 10}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.other_priority);
        trace.clear();
        tsim->now = 0;
        job_s *other = spawn("other", [&] { mark("other"); }, c.other_priority);
        spawn(
            "delayer",
            [&] {
                current_delay_ticks(10);
                mark("delayer");
            },
            5);
        job_schedule_at(other, 10); // the delayer runs alone at 0
        run();
        EXPECT_EQ(trace, c.expected);
    }
}

TEST_F(DelayTest, DelayZeroLetsEqualPriorityRunFirst)
{
    spawn("a", [&] {
        mark("a1");
        current_delay_ticks(0);
        mark("a2");
    });
    spawn("b", [&] { mark("b"); });
    run();
    EXPECT_EQ(trace, (Trace{{"a1", 0}, {"b", 0}, {"a2", 0}}));
}

TEST_F(DelayTest, NiceWithOnlyLowerPrioritiesReadyKeepsRunning)
{
    spawn(
        "high",
        [&] {
            mark("high1");
            current_nice();
            mark("high2");
        },
        5);
    spawn("low", [&] { mark("low"); }, 1);
    run();
    EXPECT_EQ(trace, (Trace{{"high1", 0}, {"high2", 0}, {"low", 0}}));
}

TEST_F(DelayTest, DelayToAPastTickDoesNotMoveTimeBackward)
{
    uint32_t saved_stop = stop_simulation; // the trace is a fatal report
    SinkCapture out;
    spawn("j", [&] {
        current_delay_ticks(10);
        current_delay_to_tick(5);
        mark("after");
    });
    run();
    EXPECT_EQ(trace, (Trace{{"after", 10}}));
    // The stack trace comes first: its innermost frame is the delay itself.
    EXPECT_TRUE(std::regex_match(
        out.text(), std::regex("FATAL ERROR: jobs : #0\t0x[0-9a-f]+ in <[^>]*current_delay_to_tick[^>]*>.*\n"
                               "(FATAL ERROR: jobs : #[1-9][0-9]*\t.*\n)*jobs : ERROR : jobs : qTSIM going "
                               "backward\njobs : \n")))
        << out.text();
    stop_simulation = saved_stop;
}

// Near the end of the tick range a delay or time-out that wraps never comes: the job is not run
// again at now (where a periodic job would starve every other one), and the others run on.
TEST_F(DelayTest, WaitsBeyondTheEndOfTimeNeverCome)
{
    SinkCapture out;
    const uint64_t end = ~uint64_t(0);
    tsim->now = end - 100;
    counter_s *cnt = counter("c");
    counter_set(cnt, 1);
    spawn("periodic", [&] {
        for (int i = 0; i < 3; i++) {
            mark("tick");
            current_delay_ticks(60);
        }
        mark("ran past the end");
    });
    spawn("waiter", [&] {
        mark(counter_wait(cnt, 200) ? "released" : "timed out");
    });
    spawn("worker", [&] {
        current_delay_ticks(90);
        mark("worker");
        current_delay_ticks(10); // to the very last tick
        counter_set(cnt, 0);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"tick", end - 100}, {"tick", end - 40}, {"worker", end - 10}, {"released", end}}));
    EXPECT_EQ(out.text(), "jobs : ERROR : jobs : time has overflowed: now=-41, delay by 60 give 19jobs : \n");

    // Nobody releases the counter: the run ends instead of timing out at the last tick forever.
    trace.clear();
    counter_set(cnt, 1);
    spawn("waiter", [&] {
        mark(counter_wait(cnt, 5) ? "released" : "timed out");
    });
    run();
    EXPECT_EQ(trace, Trace{});
    EXPECT_EQ(jobq_count(&cnt->queue), 1);
    counter_set(cnt, 0);
    run();
    EXPECT_EQ(trace, (Trace{{"released", end}}));
}

TEST_F(DelayTest, TimedCounterWaitReportsWhichEntryWokeTheJob)
{
    struct Case {
        uint64_t release_at; // 0: never
        int result;
        uint64_t returns_at;
    };
    const Case cases[] = {{5, 1, 5}, {20, 0, 10}, {0, 0, 10}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.release_at);
        trace.clear();
        tsim->now = 0;
        counter_s *cnt = counter("c");
        counter_set(cnt, 1);
        counter_s *later = counter("later");
        spawn("waiter", [&] {
            int result = counter_wait(cnt, 10);
            mark(result ? "released" : "timed out");
            EXPECT_EQ(result, c.result);
            EXPECT_EQ(jobq_count(&cnt->queue), 0); // left the counter's queue either way
            job_s *self = tsim_active_job;
            EXPECT_EQ(self->proxies, &self->proxy); // and no other entry of it is left anywhere
            counter_stop(later);                    // a stale time-out must not end this wait
            mark("woken again");
        });
        if (c.release_at)
            spawn("releaser", [&] {
                current_delay_ticks(c.release_at);
                counter_set(cnt, 0);
            });
        run();
        EXPECT_EQ(trace, (Trace{{c.result ? "released" : "timed out", c.returns_at}}));
    }
}

TEST_F(DelayTest, WakingAJobDirectlyWithdrawsItsTimeOut)
{
    counter_s *cnt = counter("c");
    counter_set(cnt, 1);
    counter_s *later = counter("later");
    job_s *waiter = spawn("waiter", [&] {
        EXPECT_EQ(counter_wait(cnt, 10), 1);
        mark("woken");
        counter_stop(later);
        mark("woken again");
    });
    spawn("waker", [&] {
        current_delay_ticks(3);
        job_schedule_to(waiter, tsim->now);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"woken", 3}}));
    EXPECT_EQ(jobq_count(&cnt->queue), 0);
}

TEST_F(DelayTest, DispatchControllerSeesEveryAdvanceOfTime)
{
    static int calls;
    calls = 0;
    tsim_dispatch_controller = [](tsim_s *) { calls++; };
    spawn("j", [&] {
        int before = calls;
        current_delay_ticks(10);
        EXPECT_GT(calls, before);
        before = calls;
        current_delay_to_tick(30);
        EXPECT_GT(calls, before);
        mark("done");
    });
    run();
    tsim_dispatch_controller = nullptr;
    EXPECT_EQ(trace, (Trace{{"done", 30}}));
}

TEST_F(DelayTest, ChunkyJobCannotDelay)
{
    SinkCapture out;
    spawn("chunky", [&] {
        tsim_active_job->chunky = 1;
        current_delay_ticks(5);
        mark("not delayed");
    });
    run();
    EXPECT_EQ(trace, (Trace{{"not delayed", 0}}));
    EXPECT_NE(out.text().find("chunky job #0[chunky] called current_delay_ticks rather than Thread_delay_cycles."),
              std::string::npos);
}

TEST_F(DelayTest, PriorityBlockOrdersByDescendingKey)
{
    jobq_s queue;
    jobq_init(&queue, "keyed", 1);
    const std::pair<const char *, uint32_t> waiters[] = {{"a", 5}, {"b", 9}, {"c", 5}, {"d", 0xFFFFFFFF}};
    for (auto [name, key] : waiters)
        spawn(name, [&, name, key] {
            current_pblock(&queue, 0, key);
            mark(name);
        });
    spawn("releaser", [&] {
        while (proxy_s *p = jobq_pop(&queue)) tsim_schedule(p);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"d", 0}, {"b", 0}, {"a", 0}, {"c", 0}}));
}

} // namespace
