// Run control, core run states and thread delays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/job.h"
#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/run_control.h"
#include "runtime/stop.h"
#include "support/built_machine.h"
#include "support/sink_capture.h"

// Watches what the cycle-level core is told (replaces the core model's empty stand-in).
std::vector<ThreadState *> changed_threads;
void Thread_changing_state(ThreadState *thread)
{
    changed_threads.push_back(thread);
}

namespace
{

TEST(RunControl, AKernelWithoutJobsRunsDry)
{
    GenericMachine machine{};
    machine.tsim = tsim_new("dry");
    SinkCapture sink;
    how_to_run(&machine);
    EXPECT_EQ(stop_simulation, (uint32_t)STOP_EVENT_QUEUE_EMPTY);
    EXPECT_STREQ(SimStopText(), "Event queue is empty, ");
    EXPECT_EQ(machine.activity, 1);
    GenericMachine__Run(&machine);
    EXPECT_EQ(sink.text(), "INFO: ** Execution stopped: Event queue is empty,  **\n");
    tsim_free(machine.tsim);
    Start_The_Simulation();
}

TEST(RunControl, OnlyTheLastStopAfterTicksFires)
{
    BuiltMachine m("ticks");
    ASSERT_NE(m.machine, nullptr);
    SinkCapture sink;
    StopAfterTicks(m.machine, 100);
    StopAfterTicks(m.machine, 50);
    GenericMachine__Run(m.machine);
    EXPECT_EQ(m.machine->tsim->now, 50u);
    EXPECT_EQ(stop_simulation, (uint32_t)STOP_CYCLE_COUNT);
    EXPECT_EQ(m.machine->stop_after_ticks, nullptr); // forgotten once fired
    EXPECT_EQ(sink.text(), "");                      // no "Execution stopped" for the count
    ClearAfterTicks(m.machine);                      // harmless now

    StopAfterTicks(m.machine, 30);
    ClearAfterTicks(m.machine);
    StopAfterTicks(m.machine, 80);
    SimpleCPURun(m.machine);
    EXPECT_EQ(m.machine->tsim->now, 130u);

    SimpleCPUTick(m.machine, 0); // nothing at all
    EXPECT_EQ(m.machine->tsim->now, 130u);
    SimpleCPUCycle(m.machine, 20);
    EXPECT_EQ(m.machine->tsim->now, 130u + 20 * Machine_Step_Domain(m.machine)->ticks_per_cycle);
}

TEST(RunControl, InstructionStopsAreAbsoluteCounts)
{
    GenericMachine machine{};
    machine.instruction_count = 40;
    StopAfterInstructions(&machine, 5);
    EXPECT_EQ(machine.instruction_limit, 45u);
    ThreadState thread{};
    thread.Instruction_Number = 7;
    StopAfterThreadInstructions(&thread, 3);
    EXPECT_EQ(thread.stop_after_instructions, 10u);
}

struct DelayRecord {
    ThreadState *thread;
    uint64_t cycles;
    int set_stop;
    int finished;
    uint64_t tick_after;
};

void delaying_job(void *argument)
{
    auto *record = static_cast<DelayRecord *>(argument);
    if (record->set_stop) Stop_The_Simulation(STOP_USER_TCL);
    Thread_delay_cycles(record->thread, record->cycles);
    record->tick_after = tsim_current()->now;
    record->finished = 1;
}

TEST(RunControl, ThreadDelaysCountCyclesOfTheCoreWithTheSmtFactor)
{
    tsim_s *tsim = tsim_new("delays");
    time_domain domain{};
    domain.ticks_per_cycle = 3;
    ProcessorState core{};
    core.core_domain = &domain;
    ThreadState thread{};
    thread.processor = &core;
    thread.smt_delay_factor = 1;

    DelayRecord record{&thread, 1, 0, 0, 0};
    job_new(tsim, "delay", delaying_job, &record);
    Start_The_Simulation();
    tsim_run(tsim, &stop_simulation);
    EXPECT_EQ(record.finished, 1);
    EXPECT_EQ(record.tick_after, 6u);

    // No cycles and no stop: no yield, so the job ends within this run.
    DelayRecord quiet{&thread, 0, 0, 0, 0};
    job_new(tsim, "quiet", delaying_job, &quiet);
    Start_The_Simulation();
    tsim_run(tsim, &stop_simulation);
    EXPECT_EQ(quiet.finished, 1);

    // With a stop flag set the zero delay yields, and the kernel returns first.
    DelayRecord stopping{&thread, 0, 1, 0, 0};
    job_new(tsim, "stopping", delaying_job, &stopping);
    Start_The_Simulation();
    tsim_run(tsim, &stop_simulation);
    EXPECT_EQ(stopping.finished, 0);
    Start_The_Simulation();
    tsim_run(tsim, &stop_simulation);
    EXPECT_EQ(stopping.finished, 1);
    tsim_free(tsim);
    Start_The_Simulation();
}

TEST(RunControl, ChunkModeOnlyAccumulates)
{
    ThreadState thread{};
    ProcessorState core{};
    thread.processor = &core;
    thread.chunk_mode = 1;
    Thread_delay_cycles(&thread, 5); // outside any job: must not try to delay
    Thread_delay_ticks(&thread, 7);
    EXPECT_EQ(thread.chunk_delay, 12u);
    EXPECT_EQ(THREAD_IN_CHUNK_MODE(&thread), 1);

    SinkCapture sink;
    Thread_sync_time(&thread, "test"); // chunk mode without a chunky job
    EXPECT_NE(sink.text().find("Thread_sync_time. Thread"), std::string::npos);
    Start_The_Simulation();
}

TEST(RunControl, CoreRunStates)
{
    GenericMachine machine{};
    ProcessorState core{};
    ThreadState threads[2]{};
    core.machine = &machine;
    core.threads = threads;
    core.num_threads = 2;
    threads[0].power_mode = 3;
    threads[1].power_mode = 4;

    CPU_InitState(&core);
    EXPECT_EQ(core.x_cpuState, (uint32_t)CPU_NOT_BOOTED);
    EXPECT_EQ(core.cpu_substate, 5u);

    changed_threads.clear();
    CPU_RunState(&core, "boot");
    EXPECT_EQ(changed_threads, (std::vector<ThreadState *>{&threads[0], &threads[1]}));
    EXPECT_EQ(core.x_cpuState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(machine.active_processors, 1);
    CPU_RunState(&core, "again"); // already running
    EXPECT_EQ(machine.active_processors, 1);

    CPU_StallState(&core, "stall");
    EXPECT_EQ(core.x_cpuState, (uint32_t)CPU_STALLED);
    EXPECT_EQ(core.cpu_substate, 4u); // the largest power mode of its threads
    EXPECT_EQ(machine.active_processors, 0);

    changed_threads.clear();
    CPU_RunState(&core, "wake");
    EXPECT_TRUE(changed_threads.empty()); // only a core that was not booted tells its threads
    CPU_CheckStop(&core);
    EXPECT_EQ(core.x_cpuState, (uint32_t)CPU_CHECKSTOP);
    CPU_RunState(&core, "no");
    EXPECT_EQ(core.x_cpuState, (uint32_t)CPU_CHECKSTOP);
    EXPECT_EQ(machine.active_processors, 0);
    ProcessorState empty{};
    EXPECT_EQ(Determine_CPU_State_Mode(&empty), 0);
}

} // namespace
