// Progress output: the heartbeat line, the periodic rate line, the scalability analysis and the
// periodic sample's interval.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <string>
#include <vector>

#include "exec/progress_stats.h"
#include "exec/thread_loops.h"
#include "kernel/tsim.h"
#include "processor/hooks/periodic_stats_standin.h"
#include "processor/register_fixture.h"
#include "runtime/callbacks.h"
#include "runtime/debug.h"
#include "support/sink_capture.h"

namespace
{

TEST(Heartbeat, ElapsedTimeShowsOnlyTheNonZeroParts)
{
    struct Case {
        int64_t seconds;
        const char *text;
    } cases[] = {{0, "0s"}, {5, "5s"}, {3725, "1h 2m 5s"}, {3605, "1h 5s"}, {86400 + 61, "1d 1m 1s"}};
    for (const Case &c : cases) {
        char buffer[64];
        EXPECT_STREQ(Heartbeat_Elapsed_Text(buffer, c.seconds), c.text) << c.seconds;
    }
}

// A two-thread core on a machine with a kernel whose tick the tests set.
class Progress : public ::testing::Test
{
  protected:
    Progress() : core(2)
    {
        core.build();
        machine = &core.test_machine.machine;
        machine->tsim = tsim_new("progress");
        Concurrency_Stats_Clear();
    }
    ~Progress() override
    {
        Concurrency_Stats_Clear();
        set_debug_flag(208, 0);
        set_debug_flag(210, 0);
        tsim_free(machine->tsim);
        machine->tsim = nullptr;
    }
    ThreadState *t(int i) { return core.thread(i); }
    TestCore core;
    GenericMachine *machine;
};

TEST_F(Progress, HeartbeatLine)
{
    timeval now;
    gettimeofday(&now, nullptr);
    machine->heartbeat_start_sec = now.tv_sec - 3725;
    machine->heartbeat_start_usec = now.tv_usec;
    t(0)->Instruction_Number = 1234567;
    t(0)->PC.value = 0x1000;
    t(0)->LR.value = 0x2000;
    t(0)->device_number = 3;
    SinkCapture out;
    Heartbeat_Callback(nullptr, t(0));
    EXPECT_EQ(out.text().rfind("LOG-ENTRY (HEARTBEAT:3) : 1,234,567 instrs, 1h 2m 5s elapsed, "
                               "PC = 0x0000000000001000 LR = 0x0000000000002000 CLOCK=",
                               0),
              0u)
        << out.text();
}

TEST_F(Progress, RateLineCountsIoFromTheFirstLineAndSurvivesAnEmptyInterval)
{
    set_debug_flag(208, 1);
    machine->periodic_stats_flags = 1;
    machine->stats.io_started = 7;
    machine->tsim->now = 0;
    t(0)->x_smt_priority = 4;
    {
        SinkCapture out;
        Periodic_Rate_Callback(nullptr, t(1), "P ", 0); // no time passed: rates are 0
        std::string text = out.text();
        EXPECT_EQ(text.rfind("P [0:0:1]: (PC:0x", 0), 0u) << text;
        EXPECT_EQ(text.find("I/O"), std::string::npos) << text;
        EXPECT_NE(text.find("Inst/Sec"), std::string::npos) << text;
        EXPECT_NE(text.find(" -off- [0:0:1] pri=0 extra=0\n"), std::string::npos) << text;
    }
    machine->stats.io_started = 10;
    machine->tsim->now = 1000;
    t(1)->Instruction_Number = 2000000;
    SinkCapture out;
    Periodic_Rate_Callback(nullptr, t(1), "", 1000000);
    std::string text = out.text();
    EXPECT_NE(text.find("2.0 Mega-Inst/Sec : 3 I/O"), std::string::npos) << text;

    // Off without the debug category or the machine's flags.
    set_debug_flag(208, 0);
    SinkCapture quiet;
    Periodic_Rate_Callback(nullptr, t(1), "", 1000000);
    EXPECT_EQ(quiet.text(), "");
}

TEST_F(Progress, TwoThreadsAlwaysTogetherScaleByTwo)
{
    machine->enable_scalability_analysis = 1;
    for (int i = 0; i < 2; i++)
        Concurrency_Stats_State_Callback(nullptr, t(i), CPU_NOT_BOOTED, CPU_RUNNING);
    EXPECT_EQ(Concurrency_Active_Threads(), 2);
    for (uint64_t tick : {10, 20, 30}) {
        machine->tsim->now = tick;
        t(0)->Instruction_Number += 100;
        t(1)->Instruction_Number += 100;
        update_concurrency_stats(t(0));
    }
    SinkCapture out;
    Print_Scalability_Report(nullptr, "");
    std::string text = out.text();
    EXPECT_NE(text.find("Total instructions: 600, Single-threaded: 300 Active Ts: 2."), std::string::npos)
        << text;
    EXPECT_NE(text.find("Instructions with   2 active Threads. total: 600, max-single-threaded: 300, "
                        "(100.000%), [100.000%]"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("active Threads. total", text.find("active Threads. total") + 1), std::string::npos);
    EXPECT_NE(text.find("Servers:   1:, Scaling. dynamic:  1.00, static:  1.00"), std::string::npos) << text;
    for (const char *servers : {"  2", "  4", "  8", " 16", "256"})
        EXPECT_NE(text.find(std::string("Servers: ") + servers + ":, Scaling. dynamic:  2.00, static:  2.00"),
                  std::string::npos)
            << servers;

    // A stalled thread leaves the list.
    Concurrency_Stats_State_Callback(nullptr, t(1), CPU_RUNNING, CPU_STALLED);
    EXPECT_EQ(Concurrency_Active_Threads(), 1);
}

TEST_F(Progress, The257thRunningThreadIsAnError)
{
    machine->enable_scalability_analysis = 1;
    std::vector<ThreadState> threads(257);
    for (ThreadState &thread : threads) {
        thread.machine = machine;
        thread.processor = core.core;
    }
    for (int i = 0; i < 256; i++)
        Concurrency_Stats_State_Callback(nullptr, &threads[i], CPU_NOT_BOOTED, CPU_RUNNING);
    SinkCapture out;
    Concurrency_Stats_State_Callback(nullptr, &threads[256], CPU_STALLED, CPU_RUNNING);
    EXPECT_NE(out.text().find("Too many active Threads (257), max is 256.\n"), std::string::npos)
        << out.text();
    EXPECT_EQ(Concurrency_Active_Threads(), 256);
}

TEST_F(Progress, PeriodicSampleWaitsForItsInterval)
{
    static int calls;
    calls = 0;
    Callback_Function *entry = Callback_register_periodic_stats_print(
        1, "progress-test",
        reinterpret_cast<CallbackFunction>(+[](void *, ThreadState *, const char *, uint64_t) { calls++; }),
        nullptr);
    ASSERT_NE(entry, nullptr);
    const uint64_t saved = Default_PERIODIC_STATS_interval;
    Default_PERIODIC_STATS_interval = 1000000; // one second
    Thread_Periodic_Stats_Sample(t(0));        // the first call only starts the clock
    Thread_Periodic_Stats_Sample(t(0));
    EXPECT_EQ(calls, 0);
    t(0)->sample_last_usec -= 2000000; // two seconds ago
    Thread_Periodic_Stats_Sample(t(0));
    EXPECT_EQ(calls, 1);
    Thread_Periodic_Stats_Sample(t(0));
    EXPECT_EQ(calls, 1);
    Default_PERIODIC_STATS_interval = saved;
    Callback_Clear_function("progress-test");
}

} // namespace
