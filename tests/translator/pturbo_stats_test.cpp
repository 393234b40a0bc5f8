// The parallel mode's accounting and report: turbo_report's counts, stops and idle time, the
// instructions of a cycle window, and the "ParallelTurbo" report.
#include <gtest/gtest.h>

#include <string>

#include "exec/run_machine.h"
#include "support/built_machine.h"
#include "processor/run/modes.h"
#include "support/sink_capture.h"
#include "translator/ptask.h"
#include "translator/pturbo_stats.h"
#include "translator/turbo_reason.h"
#include "translator/turbo_stats.h"

namespace
{

TEST(TurboRunAccounting, CountsTheRunAndStopsAtTheThreadsCount)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    ThreadState *t = r.t;
    t->Instruction_Number = 90;
    t->stop_after_instructions = 100;
    t->smt_delay_factor = 0;
    t->turbo.reason = EXIT_LIMIT;
    const uint32_t before = turbo_stats.counts.reasons[EXIT_LIMIT];
    const uint64_t ticks = turbo_report(t, 5, 10, 0);
    EXPECT_EQ(ticks, 10 * r.tpc());
    EXPECT_EQ(t->Instruction_Number, 100u);
    EXPECT_NE(stop_simulation & STOP_INSTRUCTION_COUNT, 0u);
    EXPECT_EQ(t->stop_after_instructions, ~0ull);
    EXPECT_EQ(t->turbo.togo, 5u);
    EXPECT_EQ(turbo_stats.counts.reasons[EXIT_LIMIT], before + 1);
    Start_The_Simulation();

    // A halt idles the instructions to go; nothing executed counts nothing.
    const uint64_t count = t->Instruction_Number;
    EXPECT_EQ(turbo_report(t, 7, 0, 1), 7 * r.tpc());
    EXPECT_EQ(t->turbo.togo, 0u);
    EXPECT_EQ(t->Instruction_Number, count);
    EXPECT_EQ(stop_simulation, 0u);
}

TEST(PturboDeltaInstructions, ShareOfTheWindow)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    ThreadState *t = r.t;
    ptask_s task{};
    task.start_cycle = 100;
    t->turbo.ptask = &task;
    t->turbo.pturbo_run_to = 200 * r.tpc();
    t->turbo.pturbo_done = 1000;
    EXPECT_EQ(pturbo_get_delta_instructions(t, 150, 300), 0u) << "outside parallel mode";
    t->turbo.in_pturbo = 1;
    const struct {
        uint64_t from, to, expected;
    } cases[] = {{150, 300, 500}, {0, 1000, 1000}, {120, 130, 100},
                 {200, 300, 0},   {0, 100, 0},     {150, 150, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(pturbo_get_delta_instructions(t, c.from, c.to), c.expected) << c.from << ".." << c.to;
    {
        SinkCapture capture;
        EXPECT_EQ(pturbo_get_delta_instructions(t, 180, 150), 0u);
        EXPECT_NE(
            capture.text().find("pturbo_get_delta_instructions: to_cycle 150 less than from_cycle 180."),
            std::string::npos);
    }
    Start_The_Simulation();
    t->turbo.in_pturbo = 0;
    t->turbo.ptask = nullptr;
}

TEST(PturboReport, NeverUsedAndTheDispatchFigures)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.m.machine->mode = MODE_PTURBO;
    r.m.machine->pturbo_workers = 3;
    pturbo_stats = {};
    {
        SinkCapture capture;
        pturbo_stats_print(nullptr, r.m.machine);
        const std::string text = capture.text();
        EXPECT_NE(text.find("Never Used"), std::string::npos);
        EXPECT_NE(text.find("======== JIT ========"), std::string::npos);
        EXPECT_EQ(text.find("Number of dispatches"), std::string::npos);
    }
    pturbo_stats.dispatches = 4;
    pturbo_stats.tasks_dispatched = 12;
    pturbo_stats.single_instructions = 400;
    pturbo_stats.parallel_instructions = 1000;
    pturbo_forecast[1] = 77;
    r.t->Instruction_Number = 1000;
    SinkCapture capture;
    pturbo_stats_print(nullptr, r.m.machine);
    const std::string text = capture.text();
    for (const char *line :
         {"Number of dispatches: 4.", "Average number of SMT Threads per dispatch: 3.000",
          "Average instructions per secondary ptask: 75.000",
          "Maximum possible speedup of ParallelTurbo mode: 2.500", "Number of extra threads: 3",
          "Forecasts:", "2      77.", "Instruction count        1000 (100.00%).", "Total Instructions 1000."})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find("Never Used"), std::string::npos);
    pturbo_stats = {};
    pturbo_forecast[1] = 0;
}

TEST(PturboThreads, TheWorkerCountOfTheProperty)
{
    const struct {
        const char *value;
        int32_t workers;
    } cases[] = {{"1", 0}, {"4", 3}, {"100", 99}, {"0", 0}, {"-3", 0}};
    for (const auto &c : cases) {
        BuiltMachine m("pturbo", [&](BuiltMachine &b) { b.set("pturbo_threads", c.value); });
        ASSERT_NE(m.machine, nullptr);
        EXPECT_EQ(m.machine->pturbo_workers, c.workers) << c.value;
    }
}

} // namespace
