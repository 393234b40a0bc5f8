// Ports, delayed calls and mailboxes.
#include <set>

#include "kernel/mbox.h"
#include "kernel/port.h"
#include "kernel_fixture.h"
#include "support/sink_capture.h"

namespace
{

// A port whose serving function records (payload value, tick, serving job) and then delays
// by the port's delay.
class PortTest : public KernelTest
{
  protected:
    struct Handled {
        int value;
        uint64_t tick;
        int job;
        bool operator==(const Handled &) const = default;
    };
    struct Payload {
        int value;
    };

    void TearDown() override
    {
        for (port_s *port : ports)
            port_free(port);
        KernelTest::TearDown();
    }

    port_s *port(uint32_t limit, uint64_t delay = 0)
    {
        port_s *p = port_limited_new(tsim, serve, sizeof(Payload), limit);
        ports.push_back(p);
        current = this;
        serve_delay = delay;
        return p;
    }
    void send(port_s *p, int value, counter_s *counter = nullptr)
    {
        auto *payload = static_cast<Payload *>(port_send(p, counter));
        ASSERT_NE(payload, nullptr);
        payload->value = value;
    }
    static void serve(port_s *, void *payload)
    {
        current->handled.push_back(
            {static_cast<Payload *>(payload)->value, current->tsim->now, job_number(tsim_active_job)});
        if (current->serve_delay) current_delay_ticks(current->serve_delay);
    }

    static inline PortTest *current;
    uint64_t serve_delay = 0;
    std::vector<Handled> handled;
    std::vector<port_s *> ports;
};

TEST_F(PortTest, LimitedPortServesQueuedMessagesInSendOrderWithOneJob)
{
    port_s *p = port(1, 5);
    spawn("sender", [&] {
        for (int value : {1, 2, 3})
            send(p, value);
        EXPECT_EQ(p->jobs, 1u);
        EXPECT_NE(p->first, nullptr); // two queued
    });
    run();
    ASSERT_EQ(handled.size(), 3u);
    int job = handled[0].job;
    EXPECT_EQ(handled, (std::vector<Handled>{{1, 0, job}, {2, 5, job}, {3, 10, job}}));
    EXPECT_EQ(p->jobs, 0u);
    EXPECT_EQ(jobq_count(&tsim->port_jobs), 1); // parked
}

TEST_F(PortTest, UnlimitedPortStartsAJobPerBusyMessageAndReusesParkedOnes)
{
    port_s *p = port(PORT_UNLIMITED, 10);
    int numbers_after_first_burst = 0;
    spawn("sender", [&] {
        for (int value : {1, 2, 3})
            send(p, value);
        EXPECT_EQ(p->jobs, 3u);
        current_delay_ticks(20);
        numbers_after_first_burst = tsim->next_job_number;
        EXPECT_EQ(jobq_count(&tsim->port_jobs), 3);
        for (int value : {4, 5})
            send(p, value);
    });
    run();
    ASSERT_EQ(handled.size(), 5u);
    std::set<int> first_jobs, second_jobs;
    for (const Handled &h : handled)
        (h.value <= 3 ? first_jobs : second_jobs).insert(h.job);
    EXPECT_EQ(first_jobs.size(), 3u);
    EXPECT_EQ(second_jobs.size(), 2u);
    for (int job : second_jobs)
        EXPECT_TRUE(first_jobs.count(job)) << job;
    EXPECT_EQ(tsim->next_job_number, numbers_after_first_burst); // no job was created
    EXPECT_EQ(handled[3].tick, 20u);
}

TEST_F(PortTest, CompletionCounterReturnsToItsValueAfterTheLastMessage)
{
    port_s *p = port(1, 2);
    counter_s *done = counter("done");
    spawn("sender", [&] {
        for (int value = 1; value <= 5; value++)
            send(p, value, done);
        EXPECT_EQ(counter_get(done), 5);
        counter_sync(done);
        mark("all handled");
        EXPECT_EQ(counter_get(done), 0);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"all handled", 10}}));
    EXPECT_EQ(handled.size(), 5u);
}

TEST_F(PortTest, SendAtIsHandledAtItsTickAndThePastMeansNow)
{
    struct Case {
        const char *name;
        bool parked; // a serving job is already parked
        int64_t offset;
        uint64_t handled_at;
        const char *report;
    };
    const Case cases[] = {
        {"new job, future", false, 100, 130, ""},
        {"parked job, future", true, 100, 130, ""},
        {"past", false, -20, 30, "jobs : ERROR : jobs : port_send_at: sending to the pastjobs : \n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        handled.clear();
        tsim->now = 0;
        port_s *p = port(1);
        if (c.parked) {
            send(p, 0);
            run();
            handled.clear();
        }
        SinkCapture out;
        spawn("sender", [&] {
            current_delay_ticks(30);
            auto *payload = static_cast<Payload *>(port_send_at(p, nullptr, tsim->now + c.offset));
            ASSERT_NE(payload, nullptr);
            payload->value = 7;
        });
        run();
        ASSERT_EQ(handled.size(), 1u);
        EXPECT_EQ(handled[0].tick, c.handled_at);
        EXPECT_EQ(out.text(), c.report);
    }
}

TEST_F(PortTest, ClockedPortHandlesOnItsGrid)
{
    port_s *p = port(1);
    port_synchronous(p, nullptr, 100, 50);
    spawn("sender", [&] {
        current_delay_ticks(120);
        send(p, 1);
        send(p, 2);
    });
    run();
    ASSERT_EQ(handled.size(), 2u);
    EXPECT_EQ(handled[0].tick, 150u);
    EXPECT_EQ(handled[1].tick, 150u);
}

TEST_F(PortTest, DirectCallRunsOnTheSendersStack)
{
    port_s *p = port(1);
    void *reserved = port_set_direct_call(p);
    ASSERT_NE(reserved, nullptr);
    for (uint64_t delay : {0, 4}) {
        SCOPED_TRACE(delay);
        handled.clear();
        serve_delay = delay;
        SinkCapture out;
        int sender = -1;
        spawn("sender", [&] {
            sender = job_number(tsim_active_job);
            int pointed = 0;
            EXPECT_EQ(port_send_ptr(p, nullptr, &pointed), reserved);
            EXPECT_EQ(*static_cast<void **>(reserved), &pointed);
            EXPECT_EQ(handled.size(), 1u); // already handled
        });
        run();
        ASSERT_EQ(handled.size(), 1u);
        EXPECT_EQ(handled[0].job, sender);
        EXPECT_EQ(out.text(), delay ? "jobs : ERROR : jobs : Port: delayed direct calljobs : \n" : "");
    }
}

TEST_F(PortTest, CleanupEndsTheJobsStillServingThePort)
{
    port_s *p = port_limited_new(tsim, serve, sizeof(Payload), 1);
    current = this;
    serve_delay = 50;
    spawn("sender", [&] {
        send(p, 1);
        send(p, 2); // queued
        current_delay_ticks(10);
        port_free(p); // its job is in the middle of the first message
        mark("freed");
    });
    run();
    EXPECT_EQ(trace, (Trace{{"freed", 10}}));
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(tsim->now, 10u); // the serving job never woke at 50
}

// ---------------------------------------------------------------------------------------------
// Delayed calls

struct Calls {
    std::vector<std::pair<int, uint64_t>> made;
    tsim_s *tsim;
};
Calls *calls;
void record_call(void *argument)
{
    calls->made.emplace_back((int)(intptr_t)argument, calls->tsim->now);
}

TEST_F(KernelTest, DelayedCallsRunSideBySideAndCancelledOnesNever)
{
    Calls made{{}, tsim};
    calls = &made;
    later_s *later = later_new(tsim, "stopper");
    ASSERT_NE(later, nullptr);
    spawn("caller", [&] {
        later_call_s *cancelled = later_call_ticks(later, record_call, (void *)1, 50);
        ASSERT_NE(cancelled, nullptr);
        ASSERT_NE(later_call_ticks(later, record_call, (void *)2, 30), nullptr);
        current_delay_ticks(10);
        later_cancel(cancelled);
        ASSERT_NE(later_call_ticks(later, record_call, (void *)3, 5), nullptr);
    });
    run();
    EXPECT_EQ(made.made, (std::vector<std::pair<int, uint64_t>>{{3, 15}, {2, 30}}));
    EXPECT_EQ(tsim->now, 50u); // the cancelled delay still ran out
    later_free(later);
}

// ---------------------------------------------------------------------------------------------
// Mailboxes

TEST_F(KernelTest, MailboxBlocksPutWhenFullAndGetWhenEmpty)
{
    mbox_s *mbox = mbox_new(tsim, "box", 2);
    ASSERT_NE(mbox, nullptr);
    EXPECT_EQ(mbox_try_get(mbox), -1);
    spawn("putter", [&] {
        for (int i = 0; i < 3; i++)
            mark("put " + std::to_string(mbox_put(mbox)));
        EXPECT_EQ(mbox_try_put(mbox), -1);
    });
    spawn("getter", [&] {
        current_delay_ticks(5);
        mark("got " + std::to_string(mbox_get(mbox)));
        current_delay_ticks(5);
        for (int i = 0; i < 2; i++)
            mark("got " + std::to_string(mbox_get(mbox)));
        mark("got " + std::to_string(mbox_get(mbox))); // empty: waits for the put at 20
    });
    spawn("late putter", [&] {
        current_delay_ticks(20);
        mbox_put(mbox);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"put 0", 0},
                            {"put 1", 0},
                            {"got 0", 5},
                            {"put 0", 5},
                            {"got 1", 10},
                            {"got 0", 10},
                            {"got 1", 20}}));
    EXPECT_EQ(mbox->count, 0);
    SinkCapture out;
    mbox_free(mbox);
    EXPECT_EQ(out.text(), "");
}

TEST_F(KernelTest, MailboxCleanupReportsWaitingJobs)
{
    mbox_s *mbox = mbox_new(tsim, "box", 1);
    spawn("getter", [&] { mbox_get(mbox); });
    run();
    SinkCapture out;
    mbox_free(mbox);
    EXPECT_EQ(out.text(), "jobs : ERROR : jobs : mbox getq is not emptyjobs : \n");
}

} // namespace
