// Versioned values, wall-clock alarms, region spaces and the queue and stack dumps.
#include <csignal>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>

#include "kernel/alarm.h"
#include "kernel/aval.h"
#include "kernel/queue_dump.h"
#include "kernel/storage.h"
#include "kernel_fixture.h"
#include "support/sink_capture.h"

namespace
{

std::string kernel_error(const std::string &text)
{
    return "jobs : ERROR : jobs : " + text + "jobs : \n";
}

using KernelExtrasTest = KernelTest;

TEST_F(KernelExtrasTest, AvalServesReadersWaitingForTheVersionThatIsSet)
{
    aval_s *av = aval_new(tsim, sizeof(uint64_t));
    ASSERT_NE(av, nullptr);
    counter_s *done = counter("done");
    uint64_t early = 0, late = 0, now_value = 0;
    spawn("reader", [&] {
        EXPECT_EQ(aval_get(av, 2, &early, done), 0); // not there yet: registered
        EXPECT_EQ(aval_get(av, 3, &late, nullptr), 0);
        EXPECT_EQ(counter_get(done), 1);
        counter_sync(done);
        mark("version 2 arrived");
        EXPECT_EQ(aval_get(av, 2, &now_value, nullptr), 1);
    });
    spawn("writer", [&] {
        current_delay_ticks(4);
        uint64_t one = 111, two = 222;
        aval_set(av, 1, &one); // nobody waits for version 1
        EXPECT_EQ(aval_mine(av, 1), 1);
        current_delay_ticks(4);
        aval_set(av, 2, &two);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"version 2 arrived", 8}}));
    EXPECT_EQ(early, 222u);
    EXPECT_EQ(now_value, 222u);
    EXPECT_EQ(late, 0u);
    EXPECT_EQ(aval_mine(av, 1), 0);
    SinkCapture out;
    aval_free(av); // the reader of version 3 is still registered
    EXPECT_EQ(out.text(), kernel_error("aval has readers"));

    // Values above 64 bytes take their own block.
    aval_s big;
    ASSERT_EQ(aval_init(&big, tsim, 200), 1);
    char data[200];
    memset(data, 0x5A, sizeof data);
    aval_set(&big, 9, data);
    char copy[200] = {};
    EXPECT_EQ(aval_get(&big, 9, copy, nullptr), 1);
    EXPECT_EQ(memcmp(copy, data, sizeof data), 0);
    aval_cleanup(&big);
}

int alarm_calls = 0;

TEST_F(KernelExtrasTest, AlarmsRunTheirJobAtTheNextDispatchAfterTheHostTimerExpires)
{
    stack_t before;
    ASSERT_EQ(sigaltstack(nullptr, &before), 0);
    alarm_calls = 0;
    alarm_s *alarm = alarm_new(
        tsim, 2000, 1, [](alarm_s *, void *) { alarm_calls++; }, nullptr);
    ASSERT_NE(alarm, nullptr);
    struct sigaction action;
    sigaction(SIGALRM, nullptr, &action);
    EXPECT_NE(action.sa_flags & SA_ONSTACK, 0);
    stack_t after;
    sigaltstack(nullptr, &after);
    if (!(before.ss_flags & SS_DISABLE)) {
        EXPECT_EQ(after.ss_sp, before.ss_sp); // the fault stack stays
    }

    int expiries = 0;
    spawn("watcher", [&] {
        timespec start;
        clock_gettime(CLOCK_MONOTONIC, &start);
        // Waiting on the timer counter dispatches, so the fired alarm's job gets to run.
        while (expiries < 2) {
            if (counter_wait(&alarm->timer, 1000) == 1) {
                expiries++;
                mark("expiry");
                current_delay_ticks(1); // let the alarm job set its counter back
            }
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            if (now.tv_sec - start.tv_sec > 10) break; // never hangs the test
        }
    });
    run();
    EXPECT_EQ(expiries, 2);
    EXPECT_GE(alarm_calls, 2);
    alarm_free(alarm);
    itimerval timer;
    getitimer(ITIMER_REAL, &timer);
    EXPECT_EQ(timer.it_value.tv_sec | timer.it_value.tv_usec, 0); // the last alarm disarmed the timer
}

TEST_F(KernelExtrasTest, AlarmsOfAKernelAreCancelledAtItsCleanup)
{
    tsim_s *other = tsim_new("other");
    alarm_s alarm;
    ASSERT_EQ(alarm_init(&alarm, other, 1000000, 0, nullptr, nullptr), 1);
    tsim_free(other);
    EXPECT_EQ(alarm.active, 0);
    itimerval timer;
    getitimer(ITIMER_REAL, &timer);
    EXPECT_EQ(timer.it_value.tv_sec | timer.it_value.tv_usec, 0);
}

TEST(RegionSpace, BlocksAreCarvedFirstFitSplitAndMerged)
{
    {
        SinkCapture out;
        char tiny[16];
        EXPECT_EQ(space_new(tiny, sizeof tiny), nullptr);
        EXPECT_EQ(out.text(), kernel_error("16 is too small, need at least 24"));
    }
    alignas(8) char area[24 + 4 * 48];
    space_s *space = space_new(area, sizeof area);
    ASSERT_NE(space, nullptr);
    EXPECT_EQ(space_available(space), 4 * 48u - 32);
    char *a = static_cast<char *>(space_get(space, 0, __FILE__, __LINE__));  // 32 + 8
    char *b = static_cast<char *>(space_get(space, 13, __FILE__, __LINE__)); // 32 + 16
    char *c = static_cast<char *>(space_get(space, 16, __FILE__, __LINE__));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a, area + 24 + 32);
    EXPECT_EQ(b, a + 8 + 32);
    EXPECT_EQ(c, b + 16 + 32);
    // 192 - 40 - 48 - 48 = 56 bytes are left: one block of 24.
    EXPECT_EQ(space_available(space), 24u);
    char *d = static_cast<char *>(space_get(space, 20, __FILE__, __LINE__)); // 24: 0 would remain
    EXPECT_EQ(d, c + 16 + 32);
    EXPECT_EQ(space_available(space), 0u);
    {
        SinkCapture out;
        EXPECT_EQ(space_get(space, 1, __FILE__, __LINE__), nullptr);
        EXPECT_EQ(out.text(), kernel_error("can't allocate 1 bytes from region space"));
    }
    // a and b are neighbours: freed, they merge into one block of 8 + 32 + 16.
    space_put(a);
    space_put(b);
    char *merged = static_cast<char *>(space_get(space, 56, __FILE__, __LINE__));
    EXPECT_EQ(merged, a);
    // A block put twice is reported and listed once.
    space_put(c);
    {
        SinkCapture out;
        space_put(c);
        EXPECT_EQ(out.text(), "jobs : put, avail = 16\n");
    }
    EXPECT_EQ(space_get(space, 16, __FILE__, __LINE__), c);
    EXPECT_EQ(space_get(space, 16, __FILE__, __LINE__), nullptr);
    space_cleanup(space);
    space_free(space);

    // Pools and buffers work over a region space as over the default one.
    alignas(8) char pool_area[512];
    space_s *pool_space = space_new(pool_area, sizeof pool_area);
    heap_s pool;
    heap_init(&pool, pool_space, 24);
    void *element = heap_get(&pool);
    ASSERT_NE(element, nullptr);
    EXPECT_GT(static_cast<char *>(element), pool_area);
    EXPECT_LT(static_cast<char *>(element), pool_area + sizeof pool_area);
    heap_put(&pool, element);
    heap_cleanup(&pool);
    // Two free blocks again; they merge only when an allocation needs the room.
    EXPECT_EQ(space_available(pool_space), 512u - 24 - 2 * 32);
    EXPECT_NE(space_get(pool_space, 512 - 24 - 32, __FILE__, __LINE__), nullptr);
}

TEST_F(KernelExtrasTest, QueuesAreWalkedAndDumped)
{
    gate_s *gate = gate_new(tsim, 0);
    job_s *w1 = spawn("w1", [&] { gate_enter(gate); });
    spawn("w2", [&] { gate_enter(gate); });
    run();
    EXPECT_EQ(jobq_waiting_count(&gate->queue), 2);
    std::vector<std::string> names;
    auto collect = [](proxy_s *proxy, void *argument) {
        static_cast<std::vector<std::string> *>(argument)->push_back(proxy->job ? proxy->job->name : "?");
        return 0;
    };
    EXPECT_EQ(gate_waiting_iterator(gate, collect, &names), nullptr);
    EXPECT_EQ(names, (std::vector<std::string>{"w1", "w2"}));
    EXPECT_EQ(jobq_iterator(
                  &gate->queue, [](proxy_s *, void *) { return 1; }, nullptr),
              &w1->proxy);

    SinkCapture out;
    jobq_dump(&gate->queue, "waiting at the gate");
    proxy_s service = {};
    service.state = 7;
    service.tick = 12;
    proxy_dump(&service);
    stats_dump();
    std::vector<std::string> lines = out.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "jobs : waiting at the gate");
    EXPECT_TRUE(std::regex_match(
        lines[1], std::regex("jobs :    #[0-9]+ \\[w1\\]\\[blocked\\], que = \\[gate "
                             "queue\\], at = 0t, stack = [0-9a-f]+, stack_size = 0x[0-9A-F]+")))
        << lines[1];
    EXPECT_EQ(lines[3], "jobs :   JobProxy [*** unknown ***], que = [], at = 12t");
    gate_free(gate);
}

TEST(StackDump, WordsAreListedFourBytesAtATime)
{
    alignas(8) uint32_t words[3] = {0x11223344, 0, 0xCAFE};
    SinkCapture out;
    printstack("area", &words[0], &words[3]);
    std::vector<std::string> lines = out.lines();
    ASSERT_EQ(lines.size(), 4u);
    char expected[128];
    snprintf(expected, sizeof expected, "jobs : area top: %p, bottom: %p", (void *)&words[0],
             (void *)&words[3]);
    EXPECT_EQ(lines[0], expected);
    snprintf(expected, sizeof expected, "jobs :    %p:  0x000000000011223344", (void *)&words[0]);
    EXPECT_EQ(lines[1], expected);
    snprintf(expected, sizeof expected, "jobs :    %p:                 (nil)", (void *)&words[1]);
    EXPECT_EQ(lines[2], expected);

    SinkCapture pair;
    printstacks("one", &words[0], &words[2], "two", &words[1], &words[3]);
    lines = pair.lines();
    ASSERT_EQ(lines.size(), 3u);
    snprintf(expected, sizeof expected, "jobs :    0x%p:  0x0x11223344   0x%p:  0x(nil)", (void *)&words[0],
             (void *)&words[1]);
    EXPECT_EQ(lines[1], expected);
}

} // namespace
