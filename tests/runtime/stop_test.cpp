// Stop causes, their text, run start and stop, breakpoint hooks, and the stop signals.
#include <gtest/gtest.h>

#include <csignal>

#include "app/startup.h"
#include "processor/run/run_control.h"
#include "processor/time/processor_time.h"
#include "runtime/common.h"
#include "runtime/stop.h"
#include "runtime/triggers.h"
#include "runtime_test_util.h"

namespace
{

// Read before any test runs.
const uint32_t initial_stop_word = stop_simulation;

TEST(StopTest, StartupCauseBeforeTheFirstRun)
{
    EXPECT_EQ(initial_stop_word, STOP_STARTUP);
    stop_simulation = initial_stop_word;
    EXPECT_STREQ(SimStopText(), "startup, ");
}

TEST(StopTest, TextListsCausesInTableOrder)
{
    struct Case {
        uint32_t bits;
        const char *text;
    } cases[] = {
        {STOP_QUARN_ERROR | STOP_USER_INTERRUPT, "user interrupt, Quarn Error, "},
        {STOP_EVENT_QUEUE_EMPTY, "Event queue is empty, "},
        {STOP_INSTRUCTION_COUNT | STOP_MAIN_RETURNED | STOP_EXIT_SYSCALL,
         "instruction count, exit syscall, Main program returned, "},
        {0x4000, ""}, // no row for this bit
        {STOP_SIM_SUPPORT_EXIT | STOP_STARTUP, "startup, Sim Support exit requested stop, "},
    };
    for (const Case &c : cases) {
        Start_The_Simulation();
        EXPECT_STREQ(SimStopText(), "not-stopped");
        EXPECT_EQ(Stop_The_Simulation(c.bits), 0); // no trigger table: nothing fires
        EXPECT_EQ(stop_simulation, c.bits);
        EXPECT_STREQ(SimStopText(), c.text);
    }
}

TEST(StopTest, StopsAccumulateUntilTheNextStart)
{
    Start_The_Simulation();
    Stop_The_Simulation(STOP_CYCLE_COUNT);
    Stop_The_Simulation(0);
    Stop_The_Simulation(STOP_RTAS);
    EXPECT_EQ(stop_simulation, STOP_CYCLE_COUNT | STOP_RTAS);
    Start_The_Simulation();
    EXPECT_EQ(stop_simulation, 0u);
}

TEST(StopTest, StopWithATableButNoActiveTriggerFiresNothing)
{
    TriggerTable table = {};
    quarn_common.trigger_table = &table;
    Start_The_Simulation();
    EXPECT_EQ(Stop_The_Simulation(0), 0);
    table.assoc_count = 1;
    EXPECT_EQ(Stop_The_Simulation(0), 0);
    quarn_common.trigger_table = nullptr;
}

volatile sig_atomic_t usr1_count = 0;
void count_usr1(int)
{
    usr1_count = usr1_count + 1;
}

TEST(StopTest, BreakpointRaisesNoSignalThatReachesTheProcess)
{
    struct sigaction counting = {}, previous = {}, after = {};
    counting.sa_handler = count_usr1;
    sigemptyset(&counting.sa_mask);
    sigaction(SIGUSR1, &counting, &previous);
    usr1_count = 0;

    EXPECT_EQ(Sim_Enable_Breakpoints(0), 0);
    Sim_Breakpoint(); // disabled: nothing at all
    EXPECT_EQ(Sim_Enable_Breakpoints(1), 0);
    Sim_Breakpoint(); // enabled: raised while ignored, for a debugger only
    EXPECT_EQ(Sim_Enable_Breakpoints(0), 1);
    EXPECT_EQ(usr1_count, 0);
    sigaction(SIGUSR1, nullptr, &after);
    EXPECT_EQ(after.sa_handler, count_usr1); // the previous action is back
    sigaction(SIGUSR1, &previous, nullptr);
}

TEST(StopTest, CurrentCyclesWithoutAMachineIsZero)
{
    EXPECT_EQ(Sim_Current_Cycles(), 0u);
}

TEST(StopSignalTest, SignalsStopWithTheirCause)
{
    Setup_Signal_Handlers();
    struct Case {
        int signal_number;
        uint32_t bits;
    } cases[] = {
        {SIGINT, STOP_USER_INTERRUPT},
        {SIGQUIT, STOP_USER_INTERRUPT},
        {SIGTERM, STOP_QUARN_ERROR},
        {SIGABRT, STOP_QUARN_ERROR},
        {SIGILL, STOP_QUARN_ERROR},
        {SIGTRAP, STOP_QUARN_ERROR},
        {SIGPIPE, 0},
    };
    simulation_run_active = 1; // as during a run (outside one a second SIGTERM/SIGINT ends the process)
    for (const Case &c : cases) {
        Start_The_Simulation();
        raise(c.signal_number);
        EXPECT_EQ(stop_simulation, c.bits) << c.signal_number;
        struct sigaction current = {};
        sigaction(c.signal_number, nullptr, &current);
        EXPECT_EQ(current.sa_handler, Sigusr) << c.signal_number; // still (again) installed
    }
    simulation_run_active = 0;
    for (const Case &c : cases)
        signal(c.signal_number, SIG_DFL);
    signal(SIGFPE, SIG_DFL);
}

void kernel_fpe_handler(int, siginfo_t *, void *) {}

TEST(StopSignalTest, ForeignSigfpeHandlerIsLeftInPlace)
{
    struct sigaction kernel = {}, current = {};
    kernel.sa_sigaction = kernel_fpe_handler;
    kernel.sa_flags = SA_SIGINFO;
    sigemptyset(&kernel.sa_mask);
    sigaction(SIGFPE, &kernel, nullptr);
    Setup_Signal_Handlers();
    raise(SIGINT); // the handler runs the set-up again
    sigaction(SIGFPE, nullptr, &current);
    EXPECT_EQ(current.sa_sigaction, kernel_fpe_handler);
    signal(SIGFPE, SIG_DFL);
    signal(SIGINT, SIG_DFL);
}

TEST(StopSignalDeathTest, SigfpeIsAnInternalError)
{
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            signal(SIGFPE, SIG_DFL); // no other handler (a sanitizer installs one)
            Setup_Signal_Handlers();
            raise(SIGFPE);
        },
        "FATAL INTERNAL ERROR: .*Caught SIGFPE Signal");
}

} // namespace
