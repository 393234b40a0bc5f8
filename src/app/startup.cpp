// Process-wide initialisation and teardown, the signal handlers and the time limit.
#include "app/startup.h"

#include <sys/time.h>
#include <unistd.h>
#include <tcl.h>
#include <x86intrin.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "decode/decode_init.h"
#include "decode/decoder.h"
#include "exec/exec_init.h"
#include "interrupts/exception_table.h"
#include "processor/records/exception_record.h"
#include "processor/run/run_control.h"
#include "runtime/callbacks.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/psv.h"
#include "runtime/stop.h"
#include "runtime/tcl_eval.h"
#include "runtime/triggers.h"
#include "translator/turbo_callbacks.h"

namespace
{

struct SignalSetting {
    int number;
    const char *perror_text;
};

constexpr SignalSetting handled_signals[] = {
    {SIGINT, "signal(SIGINT)"},   {SIGQUIT, "signal(SIGQUIT)"}, {SIGPIPE, "signal(SIGPIPE)"},
    {SIGABRT, "signal(SIGABRT)"}, {SIGTERM, "signal(SIGTERM)"}, {SIGFPE, "signal(SIGFPE)"},
    {SIGILL, "signal(SIGILL)"},   {SIGTRAP, "signal(SIGTRAP)"},
};

// A SIGFPE or SIGSEGV handler installed by someone else (the event kernel's fault handler) is
// left in place: the start-up handler must not take those signals back.
bool foreign_handler_installed(int number)
{
    struct sigaction current = {};
    if (sigaction(number, nullptr, &current) != 0) return false;
    if (current.sa_flags & SA_SIGINFO) return current.sa_sigaction != nullptr;
    return current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN && current.sa_handler != Sigusr;
}

// A termination request caught outside a run, and the number of runs begun when it came.
volatile sig_atomic_t request_outside_run;
volatile unsigned long request_runs_begun;

// Outside a run nothing looks at the stop word until the next run (which clears it), so work
// such as building a huge machine could not be ended: a second SIGTERM or SIGINT there ends the
// process by the signal's default action.
void end_on_second_request(int signal_number)
{
    if (simulation_run_active) return;
    if (!request_outside_run || request_runs_begun != simulation_runs_begun) {
        request_outside_run = 1;
        request_runs_begun = simulation_runs_begun;
        return;
    }
    static const char text[] = "Second termination signal outside a run. Exiting\n";
    ssize_t written = write(STDERR_FILENO, text, sizeof text - 1);
    (void)written;
    signal(signal_number, SIG_DFL);
    sigset_t own;
    sigemptyset(&own);
    sigaddset(&own, signal_number);
    sigprocmask(SIG_UNBLOCK, &own, nullptr); // held off while its handler runs
    raise(signal_number);
    _exit(128 + signal_number);
}

void time_limit_expired(int)
{
    sim_panic("Time Limit expired...");
}

} // namespace

void Setup_Signal_Handlers(void)
{
    for (const SignalSetting &setting : handled_signals) {
        if ((setting.number == SIGFPE || setting.number == SIGSEGV) &&
            foreign_handler_installed(setting.number))
            continue;
        if (signal(setting.number, Sigusr) == SIG_ERR) perror(setting.perror_text);
    }
}

// Runs in signal context: the stop bits are ORed atomically and the "SIM_STOP" trigger is left
// to the interpreter's next safe point. The warnings go to the silent general warning call.
void Sigusr(int signal_number)
{
    switch (signal_number) {
    case SIGINT:
        end_on_second_request(signal_number);
        sim_warning(1, "Caught INTERRUPT Signal. Stopping Simulation");
        Stop_The_Simulation_From_Signal(STOP_USER_INTERRUPT);
        break;
    case SIGQUIT:
        sim_warning(1, "Caught QUIT Signal. Stopping Simulation");
        Stop_The_Simulation_From_Signal(STOP_USER_INTERRUPT);
        break;
    case SIGILL:
        sim_warning(1, "Caught ILLEGAL Signal. Stopping Simulation");
        Stop_The_Simulation_From_Signal(STOP_QUARN_ERROR);
        break;
    case SIGTRAP:
        sim_warning(1, "Caught TRAP Signal. Stopping Simulation");
        Stop_The_Simulation_From_Signal(STOP_QUARN_ERROR);
        break;
    case SIGABRT:
        sim_warning(1, "Caught ABORT Signal. Stopping Simulation");
        Stop_The_Simulation_From_Signal(STOP_QUARN_ERROR);
        break;
    case SIGFPE:
        sim_panic("Caught SIGFPE Signal");
    case SIGSEGV:
        sim_warning(1, "Caught SEGV Signal. Stopping Simulation");
        Stop_The_Simulation_From_Signal(STOP_QUARN_ERROR);
        break;
    case SIGPIPE:
        sim_warning(1, "Caught PIPE Signal. Ignoring");
        break;
    case SIGTERM:
        end_on_second_request(signal_number);
        sim_warning(1, "Caught TERM Signal. Stopping Simulation");
        Stop_The_Simulation_From_Signal(STOP_QUARN_ERROR);
        break;
    case SIGCHLD:
        sim_warning(1, "Caught SIGCHLD Signal. Ignoring");
        break;
    default:
        sim_warning(1, "Caught Signal %d (unknown). Stopping Simulation", signal_number);
        Stop_The_Simulation_From_Signal(STOP_QUARN_ERROR);
        break;
    }
    Setup_Signal_Handlers();
}

void Arm_Time_Limit(void)
{
    if (time_limit <= 0) return;
    if (signal(SIGVTALRM, time_limit_expired) == SIG_ERR) perror("signal(SIGVTALRM)");
    struct itimerval timer = {};
    timer.it_interval.tv_sec = time_limit;
    timer.it_value.tv_sec = time_limit;
    int rc = setitimer(ITIMER_VIRTUAL, &timer, nullptr);
    if (rc != 0) sim_error("setitimer for %d seconds returned %d\n", time_limit, rc);
}

void Initialize_Quarn_Data_Structures(void)
{
    quarn_init_time = __rdtsc();
    Init_Debug_State();
    Global_Assoc_Trigger_Init();
    fast_init();
    turbo_init();
    Init_Instruction_Parameter_Table();
    (*Init_DecodeTable)();
    Init_PSV_Table();
    Init_GlobalExceptionPool();
    Init_ExceptionStructures();
    Stop_Async_Init();
    Setup_Signal_Handlers();
    Callback_Lists_Init();
}

void Quit_Quarn_Data_Structures(void)
{
    Quit_GlobalExceptionPool();
    Callback_Lists_Quit();
}

uint32_t get_quarn_version_info(void)
{
    return 0x01000202;
}

int SelectChannelCloseProc(void *, Tcl_Interp *)
{
    return 22;
}

int SelectChannelOutputProc(void *, const char *, int, int *)
{
    return 22;
}

void SelectChannelWatchProc(void *, int) {}
