// Dumps of kernel objects.
#include <cstdio>

#include "kernel/arbiter.h"
#include "kernel/gate.h"
#include "kernel/port.h"
#include "kernel_fixture.h"
#include "runtime/stat_print.h"
#include "support/sink_capture.h"

namespace
{

using DumpTest = KernelTest;

std::string job_line(int indent, job_s *job, const char *state, uint64_t tick)
{
    char line[256];
    snprintf(line, sizeof line, "%*sjob:%s(<%p>): id=%d, state=%s, at=%ldt\n", indent * 2, "", job->name,
             (void *)job, job->number, state, (long)tick);
    return line;
}

TEST_F(DumpTest, JobsAndCountersWithTheirWaiters)
{
    counter_s *c = counter("done");
    counter_set(c, 2);
    job_s *waiter = spawn("waiter", [&] { counter_sync(c); });
    job_s *sleeper = spawn("sleeper", [&] { current_delay_ticks(40); });
    run();
    SinkCapture out;
    Job_dump(1, waiter);
    Job_dump(0, nullptr);
    Counter_dump(0, c);
    EXPECT_EQ(out.text(), job_line(1, waiter, "blocked", 0) + "counter(done): count=2, waiting=YES\n" +
                              job_line(1, waiter, "blocked", 0));
    SinkCapture ended;
    Job_dump(0, sleeper);
    counter_s *idle = counter("idle");
    Counter_dump(0, idle); // nobody waits: nothing
    EXPECT_EQ(ended.text(), job_line(0, sleeper, "terminated", sleeper->proxy.tick));
}

TEST_F(DumpTest, TagCountWithWaiterQueueAndPendingReleases)
{
    tagcount_s *tc = tagcount("credits", 1);
    job_s *first = spawn("first", [&] { tagcount_alloc(tc, 2); });
    job_s *second = spawn("second", [&] { tagcount_alloc(tc, 1); });
    spawn("releaser", [&] {
        tagcount_release(tc, 1, 50);
        tagcount_release(tc, 2, 90);
        current_delay_ticks(10);
        stop = 1;
    });
    run();
    SinkCapture out;
    Tagcount_dump(0, tc);
    EXPECT_EQ(out.text(), "tagcount(credits): count=1, max=1, waiting=YES\n" +
                              job_line(1, first, "ready", 50) + job_line(1, second, "blocked", 0) +
                              "  Releasing 1 at 50t\n  Releasing 2 at 90t\n");
    for (job_s *job : {first, second})
        job_free(job);
}

TEST_F(DumpTest, GatesPortsAndArbiters)
{
    gate_s gate;
    gate_init(&gate, tsim, 1);
    pgate_s pgate;
    pgate_init(&pgate, tsim, 2);
    job_s *holder = spawn("holder", [&] {
        gate_enter(&gate);
        counter_stop(job_counter(tsim_active_job));
    });
    job_s *blocked = spawn("blocked", [&] { gate_enter(&gate); });
    port_s *port = port_limited_new(
        tsim, [](port_s *, void *) { current_delay_ticks(100); }, sizeof(int), 1);
    arbiter_s *arbiter = arbiter_new(
        tsim, [](arbiter_s *, void *) { counter_stop(job_counter(tsim_active_job)); }, sizeof(int), 3,
        nullptr);
    spawn("sender", [&] {
        for (int value : {1, 2, 3})
            *static_cast<int *>(port_send(port, nullptr)) = value;
        *static_cast<int *>(arbiter_send(arbiter, 2)) = 22;
        current_delay_ticks(5);
        stop = 1;
    });
    run();
    auto print_int = [](int indent, void *payload, void *argument) {
        Dump_print(indent, "%s%d\n", static_cast<const char *>(argument), *static_cast<int *>(payload));
    };
    SinkCapture out;
    Gate_dump(1, &gate, "bus");
    PGate_dump(0, &pgate, "pg");
    Port_dump(0, port, "mem", print_int, (void *)"msg ");
    Arbiter_dump(0, arbiter, "arb", print_int, (void *)"item ");
    EXPECT_EQ(out.text(), "  gate(bus): max=1, count=1\n" + job_line(2, blocked, "blocked", 0) +
                              "gate(pg): max=2, count=0\n"
                              "port(mem): max=1, n=1, stalled messages\n  msg 2\n  msg 3\n"
                              "arbiter(arb): max=3, count=1, job->at=0\n  entry-2:item 22\n");
    SinkCapture idle;
    gate_s empty;
    gate_init(&empty, tsim, 4);
    Gate_dump(0, &empty, "idle"); // count 0: nothing
    EXPECT_EQ(idle.text(), "");
    job_free(holder);
    gate_cleanup(&gate);
    port_free(port);
    arbiter_free(arbiter);
}

} // namespace
