// Waiting on several things: the 64-bit counter, wait sets, events and event sets, mailboxes
// and mailbox sets.
#include <string>

#include "kernel/counter64.h"
#include "kernel/event.h"
#include "kernel/mailbox.h"
#include "kernel/waitset.h"
#include "kernel_fixture.h"
#include "support/sink_capture.h"

namespace
{

std::string kernel_error(const std::string &text)
{
    return "jobs : ERROR : jobs : " + text + "jobs : \n";
}

using WaitingTest = KernelTest;

TEST_F(WaitingTest, Counter64CountsBeyond32BitsAndWakesAtZeroOrBelow)
{
    counter64_s *c = counter64_new(tsim, "big");
    const int64_t big = int64_t(1) << 40;
    counter64_set(c, big);
    spawn("waiter", [&] {
        counter64_sync(c);
        mark("released");
    });
    spawn("timed", [&] {
        EXPECT_EQ(counter64_wait(c, 3), 0);
        mark("timed out");
    });
    spawn("main", [&] {
        EXPECT_EQ(counter64_up(c), big + 1);
        current_delay_ticks(5);
        EXPECT_EQ(counter64_add(c, 5), big + 6); // adding never wakes
        current_delay_ticks(1);
        EXPECT_EQ(counter64_add(c, -(big + 5)), 1);
        current_delay_ticks(1);
        EXPECT_EQ(counter64_down(c), 0);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"timed out", 3}, {"released", 7}}));
    EXPECT_EQ(counter64_get(c), 0);

    spawn("stuck", [&] {
        counter64_set(c, 1);
        counter64_sync(c);
    });
    run();
    SinkCapture out;
    counter64_free(c);
    EXPECT_EQ(out.text(), kernel_error("counter64 has waiting jobs"));
}

TEST_F(WaitingTest, AWaitSetReturnsTheValueOfTheFirstMemberToWakeItAndWithdrawsTheOthers)
{
    counter_s *c = counter("c");
    counter_set(c, 1);
    counter64_s c64;
    counter64_init(&c64, tsim, "c64");
    counter64_set(&c64, 1);
    event_s ev;
    event_init(&ev, tsim, "ev");
    mailbox_s mb;
    mailbox_init(&mb, tsim, "mb");
    waitset_s *set = waitset_new(tsim, "set");
    waitset_add(set, c, 10);
    waitset_add(set, &c64, 20);
    waitset_add(set, &ev, 30);
    waitset_add(set, &mb, 40);

    std::vector<uint64_t> results;
    spawn("waiter", [&] {
        results.push_back(waitset_wait(set)); // woken by the counter64 at 4
        mark("first");
        results.push_back(waitset_wait_timeout(set, 6)); // nothing happens: time-out at 10
        mark("second");
        results.push_back(waitset_wait(set)); // the mailbox at 12
        mark("third");
        void *message = nullptr; // a wait set only waits: the message is still there
        EXPECT_EQ(mailbox_try_receive(&mb, &message), 1);
        results.push_back(waitset_wait(set)); // the clear at 20
        mark("fourth");
    });
    spawn("main", [&] {
        current_delay_ticks(1);
        EXPECT_EQ(waitset_wait_count(set), 1);
        current_delay_ticks(3);
        EXPECT_EQ(event_wait_cnt(&ev), 1);
        EXPECT_EQ(jobq_count(&c->queue), 1);
        counter64_down(&c64);
        // Waking withdraws the job's other entries at once.
        EXPECT_EQ(event_wait_cnt(&ev), 0);
        EXPECT_EQ(jobq_count(&c->queue), 0);
        EXPECT_EQ(waitset_wait_count(set), 0);
        counter64_set(&c64, 1); // before the waiter waits again
        current_delay_ticks(8);
        mailbox_send(&mb, this, nullptr);
        current_delay_ticks(8);
        waitset_clear(set);
    });
    run();
    EXPECT_EQ(results, (std::vector<uint64_t>{20, WAIT_TIMED_OUT, 40, WAIT_CLEARED}));
    EXPECT_EQ(trace, (Trace{{"first", 4}, {"second", 10}, {"third", 12}, {"fourth", 20}}));

    // A member that needs no wait ends it at once: here the event's flag, which is consumed.
    waitset_s ready;
    waitset_init(&ready, tsim, "ready");
    waitset_add(&ready, c, 10);
    waitset_add(&ready, &ev, 30);
    event_signal(&ev);
    spawn("ready", [&] {
        uint64_t dispatches = tsim_dispatch_version(tsim);
        EXPECT_EQ(waitset_wait(&ready), 30u);
        EXPECT_EQ(tsim_dispatch_version(tsim), dispatches);
        EXPECT_EQ(event_state(&ev), 0);
        EXPECT_EQ(jobq_count(&c->queue), 0); // the entry queued before is withdrawn again
    });
    run();
    waitset_cleanup(&ready);
    waitset_free(set);
    event_cleanup(&ev);
    mailbox_cleanup(&mb);
    counter64_cleanup(&c64);
}

TEST_F(WaitingTest, EventsWakeEveryWaiterAndOneQueuerOrKeepTheSignal)
{
    event_s *ev = event_new(tsim, "ev");
    event_signal(ev); // nobody waits: the flag is set
    EXPECT_EQ(event_state(ev), 1);
    EXPECT_EQ(event_try(ev), 1);
    EXPECT_EQ(event_try(ev), 0);
    for (const char *name : {"w1", "w2"})
        spawn(name, [&, name] {
            EXPECT_EQ(event_wait(ev), 1);
            mark(name);
        });
    for (const char *name : {"q1", "q2"})
        spawn(name, [&, name] {
            EXPECT_EQ(event_queue(ev), 1);
            mark(name);
        });
    spawn("timed", [&] {
        EXPECT_EQ(event_queue_timeout(ev, 20), 0);
        mark("timed out");
    });
    spawn("main", [&] {
        current_delay_ticks(2);
        EXPECT_EQ(event_wait_cnt(ev), 2);
        EXPECT_EQ(event_queue_cnt(ev), 3);
        event_signal(ev);
        current_delay_ticks(3);
        event_signal(ev);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"w1", 2}, {"w2", 2}, {"q1", 2}, {"q2", 5}, {"timed out", 20}}));
    EXPECT_EQ(event_state(ev), 0);
    event_set_name(ev, "renamed");
    EXPECT_STREQ(ev->name, "renamed");
    event_free(ev);
}

TEST_F(WaitingTest, EventSetsWaitOrQueueOnWhicheverEventComesFirst)
{
    eventset_s *set = eventset_new(tsim, "es");
    ASSERT_NE(set, nullptr);
    EXPECT_STREQ(set->waiters.name, "ws for waiters on es es");
    EXPECT_STREQ(set->queuers.name, "ws for queuers on es es");
    event_s a, b;
    event_init(&a, tsim, "a");
    event_init(&b, tsim, "b");
    eventset_add(set, &a, 1);
    eventset_add(set, &b, 2);
    std::vector<uint64_t> results;
    spawn("waiter", [&] { results.push_back(eventset_wait(set)); });
    spawn("queuer", [&] { results.push_back(eventset_queue_timeout(set, 50)); });
    spawn("late", [&] {
        current_delay_ticks(10);
        results.push_back(eventset_queue_timeout(set, 5));
    });
    spawn("main", [&] {
        current_delay_ticks(3);
        event_signal(&b); // the waiter and the queuer both return 2
    });
    run();
    EXPECT_EQ(results, (std::vector<uint64_t>{2, 2, WAIT_TIMED_OUT}));
    eventset_free(set);
    event_cleanup(&a);
    event_cleanup(&b);
}

TEST_F(WaitingTest, MailboxesHandMessagesOverInOrderAndCountTheirCounters)
{
    mailbox_s *mb = mailbox_new(tsim, "mb");
    counter_s *done = counter("done");
    int a = 1, b = 2;
    std::vector<int> received;
    spawn("receiver", [&] {
        for (int i = 0; i < 2; i++)
            received.push_back(*static_cast<int *>(mailbox_receive(mb)));
        mark("received");
        void *data = nullptr;
        EXPECT_EQ(mailbox_receive_timeout(mb, 4, &data), 0);
        mark("nothing");
    });
    spawn("sender", [&] {
        current_delay_ticks(2);
        mailbox_send(mb, &a, done);
        mailbox_send(mb, &b, done);
        EXPECT_EQ(counter_get(done), 2);
        counter_sync(done); // both taken
        mark("done");
    });
    run();
    EXPECT_EQ(received, (std::vector<int>{1, 2}));
    EXPECT_EQ(trace, (Trace{{"received", 2}, {"done", 2}, {"nothing", 6}}));

    // Synchronous sends: received in time, or taken back when the time runs out.
    trace.clear();
    spawn("sync", [&] {
        EXPECT_EQ(mailbox_send_synchronous(mb, &a), 1);
        mark("delivered");
        EXPECT_EQ(mailbox_send_synchronous_timeout(mb, &b, 3), 0);
        mark("given up");
        EXPECT_EQ(mb->count, 0);
    });
    spawn("slow receiver", [&] {
        current_delay_ticks(5);
        EXPECT_EQ(mailbox_receive(mb), &a);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"delivered", 11}, {"given up", 14}}));
    void *data = nullptr;
    EXPECT_EQ(mailbox_try_receive(mb, &data), 0);
    mailbox_free(mb);
}

TEST_F(WaitingTest, MailboxSetsReceiveFromTheFirstMailboxWithAMessage)
{
    mailbox_s one, two;
    mailbox_init(&one, tsim, "one");
    mailbox_init(&two, tsim, "two");
    mailboxset_s *set = mailboxset_new(tsim, "mbs");
    EXPECT_STREQ(set->set.name, "ws for receivers on mbset mbs");
    mailboxset_add(set, &one, 100);
    mailboxset_add(set, &two, 200);
    int x = 7;
    std::vector<uint64_t> values;
    void *got = nullptr;
    spawn("receiver", [&] {
        values.push_back(mailboxset_receive(set, &got));
        mark("got");
        void *none = nullptr;
        values.push_back(mailboxset_receive_timeout(set, 10, &none));
        mark("timed out");
    });
    spawn("sender", [&] {
        current_delay_ticks(4);
        mailbox_send(&two, &x, nullptr);
    });
    run();
    EXPECT_EQ(values, (std::vector<uint64_t>{200, WAIT_TIMED_OUT}));
    EXPECT_EQ(got, &x);
    EXPECT_EQ(trace, (Trace{{"got", 4}, {"timed out", 14}}));
    mailboxset_free(set);
    mailbox_cleanup(&one);
    mailbox_cleanup(&two);
}

} // namespace
