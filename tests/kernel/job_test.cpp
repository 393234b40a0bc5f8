// Jobs: creation, stacks, the context switch, ending and the operations on another job.
#include <cerrno>
#include <cfenv>
#include <stdexcept>
#include <unistd.h>
#include <xmmintrin.h>

#include "kernel_fixture.h"
#include "support/sink_capture.h"

namespace {

using JobTest = KernelTest;

// Whether one byte at the address can be read (a write to a pipe reports EFAULT otherwise).
bool readable(const void *address)
{
    int fds[2];
    if (pipe(fds) != 0) return false;
    bool ok = write(fds[1], address, 1) == 1;
    close(fds[0]);
    close(fds[1]);
    return ok;
}

uint16_t x87_control()
{
    uint16_t word;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

void noop(void *) {}

TEST_F(JobTest, StackSizeAddsAGuardPageAndRoundsToPages)
{
    if (tsim_page_size() != 4096) GTEST_SKIP() << "the sizes below assume 4096-byte pages";
    const int64_t page = 4096;
    struct Case {
        int64_t requested;
        int64_t mapped; // 0: refused
    };
    const Case cases[] = {
        {65536, 69632}, // 16 usable pages and the guard page
        {4095, 8192},   {1, 8192}, {4096, 8192}, {4097, 12288}, {0, 0}, {-5, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.requested);
        SinkCapture out;
        job_s *job = job_new_stack(tsim, "tiny", noop, nullptr, c.requested);
        if (!c.mapped) {
            EXPECT_EQ(job, nullptr);
            EXPECT_NE(out.text().find("stack size too small tiny"), std::string::npos) << out.text();
            EXPECT_NE(out.text().find("job_new_exec failure for tiny"), std::string::npos);
            continue;
        }
        ASSERT_NE(job, nullptr);
        EXPECT_EQ(job->stack_size, (uint32_t)c.mapped);
        EXPECT_FALSE(readable(job->stack));              // the guard page
        EXPECT_TRUE(readable(job->stack + page));        // the lowest usable page
        EXPECT_TRUE(readable(job->stack + c.mapped - 1)); // the top
        job_free(job);
    }
}

TEST_F(JobTest, PriorityIsInheritedFromTheCreatingJob)
{
    job_s *outside = spawn("outside", [] {});
    EXPECT_EQ(job_get_priority(outside), 1);
    job_s *inner = nullptr;
    spawn(
        "parent", [&] { inner = spawn("child", [] {}); }, 7);
    run();
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(job_get_priority(inner), 7);
}

TEST_F(JobTest, NewJobRunsBehindEqualOrHigherEntriesOfItsTick)
{
    spawn(
        "creator",
        [&] {
            job_set_priority(spawn("high", [&] { mark("high"); }), 9);
            spawn("equal", [&] { mark("equal"); });
            job_set_priority(spawn("low", [&] { mark("low"); }), 1);
            spawn("new", [&] { mark("new"); });
        },
        5);
    run();
    EXPECT_EQ(trace, (Trace{{"high", 0}, {"equal", 0}, {"new", 0}, {"low", 0}}));
}

TEST_F(JobTest, EndedJobIsTerminatedAndItsStackIsReused)
{
    job_s *first = spawn("first", [&] { mark("first"); });
    run();
    EXPECT_EQ(first->proxy.state, PROXY_TERMINATED);
    char *stack = first->stack;
    ASSERT_NE(stack, nullptr); // kept: it ended on its own stack
    job_free(first);

    job_s *other_size = job_new_stack(tsim, "other size", noop, nullptr, 2 * TSIM_DEFAULT_STACK_SIZE);
    job_s *same_size = job_new(tsim, "same size", noop, nullptr);
    ASSERT_NE(same_size, nullptr);
    EXPECT_NE(other_size->stack, stack);
    EXPECT_EQ(same_size->stack, stack);
}

TEST_F(JobTest, ScheduleToOnlyBringsForwardScheduleAtAlsoMovesLater)
{
    struct Case {
        bool at;
        uint64_t tick, runs_at;
    };
    const Case cases[] = {{false, 20, 10}, {true, 20, 20}, {false, 5, 5}, {true, 5, 5}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.at ? "at " : "to ") << c.tick);
        tsim_s *k = tsim_new("k");
        uint64_t ran = 0;
        auto body = [](void *arg) {
            current_delay_ticks(10);
            *static_cast<uint64_t *>(arg) = tsim_now();
        };
        job_s *sleeper = job_new(k, "sleeper", body, &ran);
        struct Move {
            job_s *job;
            const Case *c;
        } move = {sleeper, &c};
        job_new(
            k, "mover",
            [](void *arg) {
                auto *m = static_cast<Move *>(arg);
                current_delay_ticks(1); // the sleeper is now ready at tick 10
                if (m->c->at)
                    job_schedule_at(m->job, m->c->tick);
                else
                    job_schedule_to(m->job, m->c->tick);
            },
            &move);
        uint32_t stop = 0;
        tsim_run(k, &stop);
        EXPECT_EQ(ran, c.runs_at);
        tsim_free(k);
    }
}

TEST_F(JobTest, ScheduleYourselfIsRefused)
{
    SinkCapture out;
    job_s *self = nullptr;
    self = spawn("self", [&] {
        job_schedule_to(self, 50);
        mark("still running");
        EXPECT_EQ(peek_next_proxy(tsim), nullptr);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"still running", 0}}));
    EXPECT_EQ(out.text(), "jobs : ERROR : jobs : Cannot schedule yourself explicitlyjobs : \n");
}

TEST_F(JobTest, FloatingPointControlWordsBelongToEachJob)
{
    const uint16_t x87_rounding = 0x0C00;
    const uint32_t sse_rounding = 0x6000;
    const uint16_t outer_x87 = x87_control();
    const uint32_t outer_sse = _mm_getcsr();
    spawn("down", [&] {
        fesetround(FE_DOWNWARD);
        current_delay_ticks(10);
        EXPECT_EQ(x87_control() & x87_rounding, 0x0400);
        EXPECT_EQ(_mm_getcsr() & sse_rounding, 0x2000u);
        mark("down checked");
    });
    spawn("up", [&] {
        current_delay_ticks(5);
        EXPECT_EQ(x87_control() & x87_rounding, outer_x87 & x87_rounding);
        EXPECT_EQ(_mm_getcsr() & sse_rounding, outer_sse & sse_rounding);
        fesetround(FE_UPWARD);
        current_delay_ticks(10);
        EXPECT_EQ(x87_control() & x87_rounding, 0x0800);
        EXPECT_EQ(_mm_getcsr() & sse_rounding, 0x4000u);
        mark("up checked");
    });
    run();
    EXPECT_EQ(trace, (Trace{{"down checked", 10}, {"up checked", 15}}));
    EXPECT_EQ(x87_control(), outer_x87);
    EXPECT_EQ(_mm_getcsr(), outer_sse);
}

TEST_F(JobTest, CompletionCounterCountsJobsUntilTheyEnd)
{
    counter_s *done = counter("done");
    auto child = [](void *arg) { current_delay_ticks((uint64_t)(uintptr_t)arg); };
    spawn("parent", [&] {
        job_new_exec(tsim, "c1", done, child, (void *)3);
        job_new_exec(tsim, "c2", done, child, (void *)8);
        EXPECT_EQ(counter_get(done), 2);
        counter_sync(done);
        mark("all done");
    });
    run();
    EXPECT_EQ(trace, (Trace{{"all done", 8}}));
}

TEST_F(JobTest, DetachedJobRecordIsRecycledAfterItEnds)
{
    job_s *detached = spawn("detached", [] {});
    job_detach(detached);
    spawn("later", [] { current_delay_ticks(1); });
    run();
    // Freed once the next job ended: the next creation takes its record.
    job_s *next = job_new(tsim, "next", noop, nullptr);
    EXPECT_EQ(next, detached);
    EXPECT_STREQ(job_name(next), "next");
}

TEST_F(JobTest, UncaughtExceptionEndsOnlyThatJob)
{
    SinkCapture out;
    job_s *thrower = spawn("thrower", [] { throw std::runtime_error("boom"); });
    spawn("other", [&] {
        current_delay_ticks(2);
        mark("other");
    });
    run();
    EXPECT_EQ(thrower->proxy.state, PROXY_TERMINATED);
    EXPECT_EQ(trace, (Trace{{"other", 2}}));
    EXPECT_NE(out.text().find("job 'thrower' ended by an uncaught exception"), std::string::npos);
}

TEST_F(JobTest, FreezeAndThawThroughTheInternalCounter)
{
    job_s *worker = spawn("worker", [&] { mark("worker"); });
    job_set(worker, 1);
    job_queue_check(worker); // frozen: out of every queue
    run();
    EXPECT_TRUE(trace.empty());
    tsim->now = 30;
    job_set(worker, 0);
    job_queue_check(worker); // thawed: ready at now
    run();
    EXPECT_EQ(trace, (Trace{{"worker", 30}}));
}

} // namespace
