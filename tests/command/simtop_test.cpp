// The machine's top command table: run commands, mode, display and quit.
#include <string>

#include "command_fixture.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "machine/machine_lifecycle.h"
#include "processor/time/time_domain.h"

namespace
{

class SimtopTest : public CommandLanguageTest
{
  protected:
    GenericMachine *define_alpha()
    {
        EXPECT_EQ(ok("define machine myrrin alpha"), "alpha");
        return Find_Machine_By_Name("alpha");
    }
};

TEST_F(SimtopTest, CycleAndToCycleCountStepDomainCycles)
{
    GenericMachine *alpha = define_alpha();
    ASSERT_NE(alpha, nullptr);
    time_domain step{};
    step.ticks_per_cycle = 4;
    alpha->step_domain = &step;
    EXPECT_EQ(ok("alpha cycle 10"), "");
    EXPECT_EQ(alpha->tsim->now, 40u);
    EXPECT_EQ(stop_simulation, (uint32_t)STOP_CYCLE_COUNT);

    Start_The_Simulation();
    ok("alpha to_cycle 10"); // at the current cycle: nothing runs
    ok("alpha to_cycle 5");
    EXPECT_EQ(alpha->tsim->now, 40u);
    EXPECT_EQ(stop_simulation, 0u);
    ok("alpha to_cycle 0x10");
    EXPECT_EQ(alpha->tsim->now, 64u);
    ok("alpha tick 3");
    EXPECT_EQ(alpha->tsim->now, 67u);
    ok("alpha cycle nonsense"); // not a number: 0, nothing runs
    EXPECT_EQ(alpha->tsim->now, 67u);
    // Display counts base cycles, rounded up (the processors' time-base domain sets the tick rate).
    uint64_t per_cycle = alpha->base_domain->ticks_per_cycle;
    EXPECT_EQ(ok("alpha display cycles"), std::to_string((67 + per_cycle - 1) / per_cycle));
    alpha->step_domain = nullptr;
    EXPECT_NE(fails("alpha cycle"), ""); // the dispatcher wants one word
}

uint32_t stop_bits = 0;
void stopping_job(void *)
{
    Stop_The_Simulation(stop_bits);
}

TEST_F(SimtopTest, GoFailsOnlyForAUserInterrupt)
{
    GenericMachine *alpha = define_alpha();
    ASSERT_NE(alpha, nullptr);
    stop_bits = STOP_USER_INTERRUPT;
    job_new(alpha->tsim, "interrupt", stopping_job, nullptr);
    EXPECT_EQ(eval("alpha go"), TCL_ERROR);
    EXPECT_NE(sink.text().find("INFO: ** Execution stopped: user interrupt,  **"), std::string::npos);

    stop_bits = STOP_RTAS | STOP_USER_TCL;
    job_new(alpha->tsim, "rtas", stopping_job, nullptr);
    EXPECT_EQ(eval("alpha go"), TCL_OK);
    EXPECT_NE(sink.text().find("INFO: ** Execution stopped: user (tcl), RTAS,  **"), std::string::npos);
}

TEST_F(SimtopTest, ModeAndDisplayCommands)
{
    GenericMachine *alpha = define_alpha();
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(ok("alpha display mode"), "Simulator is in mode SIMPLE");
    alpha->tsim->now = 5;
    ok("alpha mode fastest");
    EXPECT_EQ(ok("alpha display mode"), "Simulator is in mode SIMPLE, but it is switching to mode TURBO");
    EXPECT_EQ(fails("alpha mode foo"), "Unrecognized mode: foo\n");
    // Without the cycle-level core CYCLE mode is refused and the switch under way stays.
    EXPECT_EQ(fails("alpha mode cycle"), "Mode cycle needs the cycle-level core, which is not available\n");
    EXPECT_EQ(ok("alpha display mode"), "Simulator is in mode SIMPLE, but it is switching to mode TURBO");
    EXPECT_EQ(ok("alpha display features"), "FLOATING_POINT VMX ");
    EXPECT_EQ(ok("alpha display number_of_MCMs"), "1");
    EXPECT_EQ(ok("alpha display memory_size"), "0x0000000004000000");
    EXPECT_EQ(ok("alpha display instruction_count"), "0");
    std::string list = ok("alpha display memorymap LISTFORMAT");
    EXPECT_EQ(list.rfind("{NAME {MEMORY-REGION-0} START 0x0000000000000000 END 0x0000000003FFFFFF} ", 0), 0u);
    std::string dump = ok("alpha display memorymap listformat dump");
    EXPECT_NE(dump.find("LIST: "), std::string::npos);
    EXPECT_NE(dump.find("{NAME {PPCIC_0}"), std::string::npos);
    EXPECT_EQ(ok("alpha display memorymap whatever"), ok("alpha display memorymap"));
}

TEST_F(SimtopTest, QuitInTurboModeTearsTheMachineDown)
{
    GenericMachine *alpha = define_alpha();
    ASSERT_NE(alpha, nullptr);
    ok("alpha mode turbo");
    EXPECT_EQ(alpha->mode, (uint32_t)MODE_TURBO);
    EXPECT_EQ(ok("alpha exit"), "");
    EXPECT_FALSE(command_exists("alpha"));
    EXPECT_EQ(Quarn_Machine_List, nullptr);
}

} // namespace
