// The kernel instance, ready queues, the dispatcher and the run entry.
#include "kernel_fixture.h"
#include "support/sink_capture.h"

namespace {

using DispatchTest = KernelTest;

proxy_s *record_service(proxy_s *self, void *argument, proxy_s *, uint64_t tick)
{
    auto *record = static_cast<std::vector<std::pair<std::string, uint64_t>> *>(self->owner);
    record->emplace_back(static_cast<const char *>(argument), tick);
    return nullptr;
}

TEST_F(DispatchTest, EqualTickEntriesRunByPriorityThenArrival)
{
    Trace seen;
    proxy_s proxies[3];
    const char *names[] = {"p1", "p5a", "p5b"};
    int priorities[] = {1, 5, 5};
    for (int i = 0; i < 3; i++) {
        proxy_init_service(&proxies[i], tsim, record_service, (void *)names[i], &seen, priorities[i]);
        proxies[i].tick = 4;
        readyq_insert_by_priority(tsim, &proxies[i]);
    }
    run();
    EXPECT_EQ(seen, (Trace{{"p5a", 4}, {"p5b", 4}, {"p1", 4}}));
    EXPECT_EQ(tsim->now, 4u);
}

TEST_F(DispatchTest, EntryForPastTickRunsAtNow)
{
    counter_s *c = counter("c");
    job_s *sleeper = spawn("sleeper", [&] {
        counter_stop(c);
        mark("sleeper");
    });
    spawn("waker", [&] {
        current_delay_ticks(100);
        job_schedule_to(sleeper, 50);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"sleeper", 100}}));
}

TEST_F(DispatchTest, EmptyKernelReturnsAtOnce)
{
    SinkCapture out;
    run();
    EXPECT_EQ(tsim->now, 0u);
    EXPECT_EQ(tsim_dispatch_version(tsim), 1u);
    EXPECT_EQ(tsim->running, 0);
    EXPECT_EQ(out.text(), "");
}

TEST_F(DispatchTest, StopWordReturnsAndNextRunContinuesThatJobFirst)
{
    spawn("a", [&] {
        job_s *b = spawn("b", [&] { mark("b"); });
        job_set_priority(b, 9);
        mark("a stops");
        stop = 1;
        current_delay_to_tick(tsim->now + 10);
        mark("a continues");
    });
    run();
    EXPECT_EQ(trace, (Trace{{"a stops", 0}}));
    EXPECT_EQ(tsim->running, 0);
    // The stopped job is queued first at the current tick, ahead of the higher-priority job.
    proxy_s *first = peek_next_proxy(tsim);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(job_name(first->job), "a");

    stop = 0;
    run();
    EXPECT_EQ(trace, (Trace{{"a stops", 0}, {"b", 0}, {"a continues", 10}}));
}

TEST_F(DispatchTest, RunWhileRunningIsRefusedWithoutTouchingQueues)
{
    SinkCapture out;
    spawn("runner", [&] {
        proxy_s *next = peek_next_proxy(tsim);
        tsim_run(tsim, nullptr);
        EXPECT_EQ(peek_next_proxy(tsim), next);
        EXPECT_EQ(next->queue, tsim->ready);
        EXPECT_EQ(tsim->running, 1);
        mark("after refused run");
    });
    spawn("other", [&] { mark("other"); });
    run();
    EXPECT_EQ(out.text(), "jobs : ERROR : jobs : test is already runningjobs : \n");
    EXPECT_EQ(trace, (Trace{{"after refused run", 0}, {"other", 0}}));
}

TEST(DispatchNoKernel, TicksUntilNextEventIsAllOnesWithoutKernel)
{
    ASSERT_EQ(tsim_last_sim, nullptr);
    EXPECT_EQ(ticks_until_next_event(), ~uint64_t(0));
    EXPECT_EQ(tsim_now(), ~uint64_t(0));
}

TEST_F(DispatchTest, TicksUntilNextEvent)
{
    EXPECT_EQ(ticks_until_next_event(), ~uint64_t(0)); // nothing ready
    spawn("a", [&] {
        job_s *b = spawn("b", [] {});
        job_schedule_at(b, tsim->now + 7);
        current_delay_ticks(3);
        EXPECT_EQ(ticks_until_next_event(), 4u);
    });
    run();
    EXPECT_EQ(tsim->now, 7u);
}

// An empty ready queue in the middle of the list is re-stamped for a tick between its
// neighbours instead of taking a new record.
TEST_F(DispatchTest, EmptyQueueInTheMiddleIsReused)
{
    struct Case {
        uint64_t emptied, wanted;
        std::vector<uint64_t> ticks_after;
    };
    const Case cases[] = {
        {20, 25, {10, 25, 30}}, // the last queue below the tick is empty
        {20, 15, {10, 15, 30}}, // its successor is empty
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.wanted);
        tsim_s *k = tsim_new("ticks");
        Trace seen;
        proxy_s proxies[3];
        const uint64_t ticks[] = {10, 20, 30};
        jobq_s *emptied = nullptr;
        for (int i = 0; i < 3; i++) {
            proxy_init_service(&proxies[i], k, record_service, (void *)"x", &seen, 1);
            proxies[i].tick = ticks[i];
            readyq_insert_by_priority(k, &proxies[i]);
            if (ticks[i] == c.emptied) emptied = proxies[i].queue;
        }
        proxy_unlink(emptied->first);
        EXPECT_EQ(get_rq_for_tick(k, c.wanted), emptied);
        std::vector<uint64_t> listed;
        for (jobq_s *q = k->ready; q; q = q->next) listed.push_back(q->tick);
        EXPECT_EQ(listed, c.ticks_after);
        tsim_free(k);
    }
}

TEST_F(DispatchTest, CurrentCallRunsOnTheCallersStack)
{
    struct Seen {
        job_s *job = nullptr;
        bool on_job_stack = true;
    } seen;
    auto call = [](job_s *job, void *a, void *, void *, void *) {
        auto *s = static_cast<Seen *>(a);
        char local;
        s->job = job;
        s->on_job_stack = job && &local >= job->stack && &local < job->stack + job->stack_size;
    };
    job_s *caller = spawn("caller", [&] {
        current_call(call, &seen, nullptr, nullptr, nullptr);
        mark("resumed");
    });
    run();
    EXPECT_EQ(seen.job, caller);
    EXPECT_FALSE(seen.on_job_stack);
    EXPECT_EQ(trace, (Trace{{"resumed", 0}}));

    current_call(call, &seen, nullptr, nullptr, nullptr); // outside a job: called directly
    EXPECT_EQ(seen.job, nullptr);
}

TEST_F(DispatchTest, AsynchronousQueueIsMovedToTheReadyList)
{
    spawn("server", [&] {
        current_block(&tsim->async_queue, 0);
        mark("served");
    });
    run();
    EXPECT_TRUE(trace.empty());
    tsim->now = 40;
    tsim->async_flag = 1;
    run();
    EXPECT_EQ(trace, (Trace{{"served", 40}}));
    EXPECT_EQ(tsim->async_flag, 0);
}

TEST_F(DispatchTest, EmptyQueueServicesRunOnceWhenNothingIsReady)
{
    struct State {
        int calls = 0;
        job_s *job = nullptr;
    } state;
    proxy_s service;
    proxy_init_service(
        &service, tsim,
        [](proxy_s *self, void *, proxy_s *, uint64_t) -> proxy_s * {
            auto *s = static_cast<State *>(self->owner);
            s->calls++;
            job_schedule_delay(s->job, 3);
            return nullptr;
        },
        nullptr, &state, 1);
    counter_s *c = counter("c");
    state.job = spawn("sleeper", [&] {
        counter_stop(c);
        mark("woken");
    });
    job_emptyq_add_service(tsim, &service);
    run();
    EXPECT_EQ(state.calls, 1);
    EXPECT_EQ(trace, (Trace{{"woken", 3}}));
}

} // namespace
