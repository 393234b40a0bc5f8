// Counters and tag counters.
#include "kernel_fixture.h"

namespace {

using CounterTest = KernelTest;

TEST_F(CounterTest, CountingDownToZeroWakesEveryWaiterInPriorityOrder)
{
    counter_s *c = counter("c");
    counter_set(c, 2);
    const std::pair<const char *, int> waiters[] = {{"w1", 1}, {"w3", 3}, {"w2", 2}};
    for (auto [name, priority] : waiters)
        spawn(
            name,
            [&, name] {
                counter_sync(c);
                mark(name);
            },
            priority);
    spawn(
        "main",
        [&] {
            current_delay_ticks(1);
            EXPECT_EQ(counter_down(c), 1);
            current_delay_ticks(1); // nobody was woken: nothing is due before tick 2
            mark("main");
            EXPECT_EQ(counter_down(c), 0);
        },
        9);
    run();
    EXPECT_EQ(trace, (Trace{{"main", 2}, {"w3", 2}, {"w2", 2}, {"w1", 2}}));
}

TEST_F(CounterTest, AddWakesOnlyWhenANegativeStepReachesZeroOrBelow)
{
    struct Case {
        int start, n, value;
        bool wakes;
    };
    const Case cases[] = {{-10, 5, -5, false}, {1, -1, 0, true}, {-3, 0, -3, false}, {5, -7, -2, true}, {2, -1, 1, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " + " << c.n);
        trace.clear();
        counter_s *cnt = counter("c");
        spawn("waiter", [&] {
            current_block(&cnt->queue, 0); // waits whatever the value
            mark("woken");
        });
        spawn("adder", [&] {
            cnt->value = c.start;
            EXPECT_EQ(counter_add(cnt, c.n), c.value);
        });
        run();
        EXPECT_EQ(trace.size(), c.wakes ? 1u : 0u);
        counter_force_cleanup(cnt);
    }
}

TEST_F(CounterTest, StoppedJobResumesAtTheTickOfTheRelease)
{
    counter_s *c = counter("c");
    spawn("stopped", [&] {
        counter_stop(c);
        mark("resumed");
    });
    spawn("releaser", [&] {
        current_delay_ticks(7);
        EXPECT_EQ(counter_get(c), 1);
        counter_set(c, 0);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"resumed", 7}}));
}

TEST_F(CounterTest, WaitOnAReleasedCounterReturnsAtOnce)
{
    counter_s *c = counter("c");
    spawn("waiter", [&] {
        uint64_t dispatches = tsim_dispatch_version(tsim);
        EXPECT_EQ(counter_wait(c, 100), 1);
        EXPECT_EQ(tsim_dispatch_version(tsim), dispatches);
        mark("done");
    });
    run();
    EXPECT_EQ(trace, (Trace{{"done", 0}}));
}

TEST_F(CounterTest, ResetWakesAtTheGivenTick)
{
    counter_s *c = counter("c");
    counter_set(c, 3);
    spawn("waiter", [&] {
        counter_sync(c);
        mark("woken");
    });
    spawn("resetter", [&] {
        current_delay_ticks(2);
        counter_reset_delay(c, 4);
        EXPECT_EQ(counter_get(c), 0);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"woken", 6}}));
}

using TagcountTest = KernelTest;

TEST_F(TagcountTest, NobodyOvertakesAWaitingJob)
{
    tagcount_s *tc = tagcount("credits", 2);
    spawn("big", [&] {
        tagcount_alloc(tc, 3); // waits: only 2 credits
        mark("big got 3");
    });
    spawn("small", [&] {
        EXPECT_EQ(tagcount_peek(tc), 2u);
        EXPECT_EQ(tagcount_try(tc, 1), 0u); // credits are there, but "big" waits
        tagcount_alloc(tc, 1);              // queued behind "big"
        mark("small got 1");
    });
    spawn("releaser", [&] {
        current_delay_ticks(4);
        tagcount_release_immd(tc, 1);
        current_delay_ticks(4);
        tagcount_release_immd(tc, 1);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"big got 3", 4}, {"small got 1", 8}}));
    EXPECT_EQ(tagcount_peek(tc), 0u);
}

TEST_F(TagcountTest, DelayedReleaseCountsExactlyAtItsTick)
{
    tagcount_s *tc = tagcount("credits", 0);
    spawn("j", [&] {
        tagcount_release(tc, 1, 10);
        EXPECT_EQ(tagcount_peek_next_available_tick(tc), 10u);
        EXPECT_EQ(tagcount_used(tc), -1); // capacity 0, the pending credit counts
        current_delay_ticks(9);
        EXPECT_EQ(tagcount_peek(tc), 0u);
        current_delay_ticks(1);
        EXPECT_EQ(tagcount_peek(tc), 1u);
        EXPECT_EQ(tagcount_peek_next_available_tick(tc), 0u);
        mark("checked");
    });
    run();
    EXPECT_EQ(trace, (Trace{{"checked", 10}}));
}

TEST_F(TagcountTest, PendingReleasesStaySortedAndMergeByTick)
{
    tagcount_s *tc = tagcount("credits", 0);
    spawn("j", [&] {
        tagcount_release(tc, 1, 10);
        tagcount_release(tc, 2, 10);
        tagcount_release(tc, 4, 30);
        tagcount_release(tc, 8, 20);
        tagcount_release(tc, 16, 5);
        tagcount_release_at(tc, 32, 20);
    });
    run();
    std::vector<std::pair<uint64_t, uint32_t>> records;
    for (tagcount_release_s *r = tc->first; r; r = r->next) records.emplace_back(r->tick, r->count);
    EXPECT_EQ(records, (std::vector<std::pair<uint64_t, uint32_t>>{{5, 16}, {10, 3}, {20, 40}, {30, 4}}));
    EXPECT_EQ(tc->last->tick, 30u);
}

TEST_F(TagcountTest, EarlierReleaseMovesTheWaiterForward)
{
    tagcount_s *tc = tagcount("credits", 0);
    spawn("waiter", [&] {
        tagcount_release(tc, 1, 20);
        tagcount_alloc(tc, 1); // sleeps until tick 20
        mark("got 1");
    });
    spawn("releaser", [&] { tagcount_release(tc, 1, 5); });
    run();
    EXPECT_EQ(trace, (Trace{{"got 1", 5}}));
}

} // namespace
