// Selection context and the path words mcm, cpu/ppc and thread, on small hand-built machines.
#include <gtest/gtest.h>
#include <tcl.h>

#include <deque>
#include <string>
#include <vector>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/device_manager.h"
#include "runtime/stop.h"
#include "runtime/tcl_output.h"
#include "support/sink_capture.h"

namespace
{

// Prints what the command's selector resolves to: the path, the selection level, the processor's
// machine-wide number and the thread's number.
int where_h(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    int level = what_selector_level(selector); // before the select operations store their defaults
    ProcessorState *processor = select_processor(selector);
    ThreadState *thread = select_thread(selector);
    SIM_TCLPRINT(interp, "%s: level %d cpu %d thread %d", argv[0], level,
                 processor ? (int)processor->core_id : -1, thread ? thread->thread_id_in_core : -1);
    return 0;
}

SimCmdTable *level_table(const char *name)
{
    SimCmdTable *table = Init_SimCmdTable(name);
    add_simcommand(table, "where", where_h, "where_h", 0, 0, nullptr);
    add_simtable(table, "mcm", PPC_McmCmd, "PPC_McmCmd", nullptr, nullptr, 0, "{mcm-number}");
    add_simtable(table, "cpu", PPC_CpuCmd, "PPC_CpuCmd", nullptr, nullptr, 0, "{cpu-number}");
    add_simtable(table, "ppc", PPC_CpuCmd, "PPC_CpuCmd", nullptr, nullptr, 4, "{ppc-number}");
    add_simtable(table, "thread", PPC_ThreadCmd, "PPC_ThreadCmd", nullptr, nullptr, 0, "{thread-number}");
    return table;
}

// A machine "alpha" of chips x processors x threads, with one command table per level.
class FakeMachine
{
  public:
    FakeMachine(uint32_t chips, uint32_t cpus_per_chip, uint32_t threads_per_cpu)
    {
        tables = {level_table("simtop"), level_table("mcm"), level_table("processor"), level_table("thread")};
        machine.name = (char *)"alpha";
        machine.num_mcms = chips;
        machine.device_manager = DeviceMgr__New("alpha");
        machine.processor_major = -1;
        machine.thread_major = -1;
        machine.command_table = tables[0];
        for (uint32_t c = 0; c < chips; c++) {
            MCM &chip = this->chips.emplace_back();
            chip.machine = &machine;
            chip.number = (int32_t)c;
            chip.name = (char *)"chip";
            chip.cores_per_chip = cpus_per_chip;
            chip.command_table = tables[1];
            chip_table.push_back(&chip);
        }
        machine.mcms = chip_table.data();
        int32_t major = DeviceMgr__GetDeviceMajorNum(machine.device_manager, "Processor");
        for (uint32_t p = 0; p < chips * cpus_per_chip; p++) {
            std::vector<ThreadState> &threads = this->threads.emplace_back(threads_per_cpu);
            ProcessorState &processor = processors.emplace_back();
            processor.machine = &machine;
            processor.mcm = &this->chips[p / cpus_per_chip];
            processor.core_id = p;
            processor.num_threads = threads_per_cpu;
            processor.threads = threads.data();
            processor.command_table = tables[2];
            for (uint32_t t = 0; t < threads_per_cpu; t++) {
                threads[t].processor = &processor;
                threads[t].thread_id_in_core = (int32_t)t;
                threads[t].command_table = tables[3];
            }
            DeviceMgr__AddDevice(machine.device_manager, &processor, major, (int32_t)p, nullptr);
        }
    }
    ~FakeMachine()
    {
        DeviceMgr__Quit(machine.device_manager);
        for (SimCmdTable *table : tables)
            Quit_SimCmdTable(table);
    }

    GenericMachine machine = {};
    std::deque<MCM> chips;
    std::vector<MCM *> chip_table;
    std::deque<ProcessorState> processors;
    std::deque<std::vector<ThreadState>> threads;
    std::vector<SimCmdTable *> tables;
};

class SelectorTest : public ::testing::Test
{
  protected:
    void SetUp() override { interp = Tcl_CreateInterp(); }
    void TearDown() override { Tcl_DeleteInterp(interp); }

    // Runs the words as the machine's Tcl command does; the result text is kept in `out`.
    int run(FakeMachine &fake, std::vector<std::string> words)
    {
        words.insert(words.begin(), "alpha");
        std::vector<char *> vector;
        for (std::string &w : words)
            vector.push_back(w.data());
        Selector selector;
        Initialize_Selector(&selector);
        Define_Selected_Machine(&selector, &fake.machine);
        Tcl_ResetResult(interp);
        int rc = Select_SimCmdTable(fake.machine.command_table, (int)vector.size(), vector.data(), &selector,
                                    interp, (int)vector.size(), vector.data());
        out = Tcl_GetStringResult(interp);
        return rc;
    }

    Tcl_Interp *interp = nullptr;
    std::string out;
    SinkCapture sink;
};

TEST_F(SelectorTest, ThreadSpecifiersFollowTheMachinesShape)
{
    struct Case {
        uint32_t chips, cpus, threads;
        const char *spec;
        const char *expected; // the "where" line, or null when the specifier is rejected
    } cases[] = {
        {1, 4, 2, "1:1", "alpha cpu 1:1 where: level 3 cpu 1 thread 1"},
        {1, 4, 2, "1", "alpha cpu 1 where: level 2 cpu 1 thread 0"},
        {1, 4, 2, "1:2", nullptr}, // thread beyond the processor's two
        {1, 4, 1, "0:3", "alpha cpu 0:3 where: level 3 cpu 3 thread 0"},
        {1, 4, 1, "3:0", "alpha cpu 3:0 where: level 3 cpu 3 thread 0"},
        {1, 4, 1, "1:2", nullptr}, // both non-zero on a one-thread, one-chip machine
        {1, 4, 1, "0:1:0:7", "alpha cpu 0:1:0:7 where: level 3 cpu 1 thread 0"},
        {1, 4, 1, "1:", "alpha cpu 1: where: level 2 cpu 1 thread 0"},
        {1, 4, 1, "x", nullptr},
        {1, 4, 1, "", nullptr},
        {1, 4, 1, "1x", nullptr},
        {1, 4, 1, "5", nullptr},                                         // no processor 5
        {2, 2, 1, "1:1", "alpha cpu 1:1 where: level 3 cpu 3 thread 0"}, // chip 1, its processor 1
        {2, 2, 1, "2:0", nullptr},                                       // no chip 2
        {2, 2, 2, "1:1:1", "alpha cpu 1:1:1 where: level 3 cpu 3 thread 1"},
    };
    for (const Case &c : cases) {
        FakeMachine fake(c.chips, c.cpus, c.threads);
        int rc = run(fake, {"cpu", c.spec, "where"});
        if (c.expected) {
            EXPECT_EQ(rc, SIMCMD_OK) << c.spec << ": " << out;
            EXPECT_EQ(out, c.expected);
        } else {
            EXPECT_EQ(rc, SIMCMD_FAILED) << c.spec;
            EXPECT_EQ(out, std::string("PPC_CpuCmd: Bad Thread Specifier : ") + c.spec);
        }
    }
}

TEST_F(SelectorTest, PathWordsNarrowTheSelectionAndTheFirstProcessorFoundStays)
{
    FakeMachine fake(2, 2, 2);
    EXPECT_EQ(run(fake, {"mcm", "1", "cpu", "0", "thread", "1", "where"}), SIMCMD_OK);
    EXPECT_EQ(out, "alpha mcm 1 cpu 0 thread 1 where: level 3 cpu 2 thread 1");

    // The processor cached while continuing after the first "cpu" is kept.
    EXPECT_EQ(run(fake, {"cpu", "0", "cpu", "1", "where"}), SIMCMD_OK);
    EXPECT_EQ(out, "alpha cpu 0 cpu 1 where: level 2 cpu 0 thread 0");
    EXPECT_EQ(run(fake, {"ppc", "3", "where"}), SIMCMD_OK);
    EXPECT_EQ(out, "alpha ppc 3 where: level 2 cpu 3 thread 0");

    EXPECT_EQ(run(fake, {"mcm", "abc", "where"}), SIMCMD_OK); // not a number: chip 0
    EXPECT_EQ(out, "alpha mcm abc where: level 1 cpu 0 thread 0");
    EXPECT_EQ(run(fake, {"mcm", "-1", "where"}), SIMCMD_OK); // back to the machine's table
    EXPECT_EQ(out, "alpha mcm -1 where: level 0 cpu 0 thread 0");
}

TEST_F(SelectorTest, BadPathWords)
{
    FakeMachine fake(2, 2, 2);
    struct Case {
        std::vector<std::string> words;
        const char *expected;
    } cases[] = {
        {{"mcm", "7", "where"}, "Error: (alpha mcm) : Invalid mcm number : 7"},
        {{"mcm"}, "Usage: alpha mcm [0 .. 1] ..."},
        {{"thread", "2", "where"}, "Error: (alpha thread) : Invalid thread number : 2"},
        {{"thread"}, "Usage: alpha thread [0 .. 1] ..."},
        {{"cpu"}, "Usage: alpha cpu [0 .. N] ..."},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(run(fake, c.words), SIMCMD_FAILED) << c.expected;
        EXPECT_EQ(out, c.expected);
    }
}

TEST_F(SelectorTest, DefaultsOnAOneOfEachMachine)
{
    FakeMachine fake(1, 1, 1);
    Selector selector;
    Initialize_Selector(&selector);
    Define_Selected_Machine(&selector, &fake.machine);
    EXPECT_EQ(select_thread(&selector), &fake.threads[0][0]);
    EXPECT_EQ(select_mcm(&selector), fake.chip_table[0]);
    EXPECT_EQ(selector.mcm_index, 0);
    EXPECT_EQ(selector.cpu_index, 0);
    EXPECT_EQ(selector.thread_index, 0);
    EXPECT_EQ(sink.text(), "");
    EXPECT_EQ(select_machine(nullptr), nullptr);
    EXPECT_EQ(select_thread(nullptr), nullptr);
}

TEST_F(SelectorTest, OutOfBoundsIndexesFallBackToTheFirstObject)
{
    FakeMachine fake(2, 2, 2);
    Selector selector;
    Initialize_Selector(&selector);
    Define_Selected_Machine(&selector, &fake.machine);
    Define_Selected_MCM(&selector, 1);
    Define_Selected_Processor(&selector, 5); // beyond chip 1's two processors
    Define_Selected_Thread(&selector, 9);
    EXPECT_EQ(select_processor(&selector), &fake.processors[2]); // processor 0 of chip 1
    EXPECT_EQ(select_thread(&selector), &fake.threads[2][0]);

    // Without a chip table the chip is missing: a fatal error that stops the simulation.
    fake.machine.mcms = nullptr;
    Selector bare;
    Initialize_Selector(&bare);
    Define_Selected_Machine(&bare, &fake.machine);
    Start_The_Simulation();
    EXPECT_EQ(select_mcm(&bare), nullptr);
    EXPECT_EQ(sink.text(), "FATAL ERROR: bad mcm number: 0\n");
    EXPECT_TRUE(stop_simulation & STOP_QUARN_ERROR);
    fake.machine.mcms = fake.chip_table.data();
}

} // namespace
