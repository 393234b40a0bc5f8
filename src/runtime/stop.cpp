// Stop causes, run start and stop, debugger breakpoint hooks.
#include "runtime/stop.h"

#include <tcl.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "kernel/kernel_now.h"
#include "kernel/tsim.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/triggers.h"

uint32_t stop_simulation = STOP_STARTUP;

const stop_cause_entry stop_sim_cause[] = {
    {STOP_STARTUP, "startup"},
    {STOP_USER_TCL, "user (tcl)"},
    {STOP_USER_INTERRUPT, "user interrupt"},
    {STOP_CYCLE_COUNT, "cycle count"},
    {STOP_INSTRUCTION_COUNT, "instruction count"},
    {STOP_QUARN_ERROR, "Quarn Error"},
    {STOP_GDB, "gdb"},
    {STOP_EXIT_SYSCALL, "exit syscall"},
    {STOP_MAIN_RETURNED, "Main program returned"},
    {STOP_MACHINE_RESET, "Machine Reset"},
    {STOP_NO_ACTIVITY, "No activity in 3 secs"},
    {STOP_OF_EXIT, "Open Firmware Exit"},
    {STOP_EVENT_QUEUE_EMPTY, "Event queue is empty"},
    {STOP_RTAS, "RTAS"},
    {STOP_CONTINUOUS_INTERRUPT, "Continuous Interrupt"},
    {STOP_MACHINE_CHECK, "Machine Check Stop"},
    {STOP_END_OF_TRACE, "End of trace file"},
    {STOP_INSTRUCTION_EXCEPTION, "Instruction caused exception"},
    {STOP_EXTERNAL_DRIVER, "External driver told us to stop"},
    {STOP_ATTN, "ATTN signal to service processor"},
    {STOP_COPROCESSOR, "Coprocessor requested stop"},
    {STOP_SIM_SUPPORT_EXIT, "Sim Support exit requested stop"},
    {0, "not-stopped"},
};

namespace
{

constexpr size_t STOP_TEXT_SIZE = 512;
char stop_text[STOP_TEXT_SIZE];
int breakpoints_enabled = 0;
Tcl_AsyncHandler stop_async_handler = nullptr;
// Set while "SIM_STOP" runs: a stop requested by the trigger's own command (a fatal error, say)
// adds its causes but does not fire the trigger again.
bool firing_stop_trigger = false;

int fire_stop_trigger()
{
    if (firing_stop_trigger) return 0;
    firing_stop_trigger = true;
    int result = Assoc_Trigger_Fire(quarn_common.trigger_table, "SIM_STOP", "{ sim stop }");
    firing_stop_trigger = false;
    return result;
}

int stop_async_proc(ClientData, Tcl_Interp *, int code)
{
    fire_stop_trigger();
    return code;
}

} // namespace

const char *SimStopText(void)
{
    uint32_t word = __atomic_load_n(&stop_simulation, __ATOMIC_RELAXED);
    if (word == 0) {
        snprintf(stop_text, sizeof stop_text, "not-stopped");
        return stop_text;
    }
    size_t used = 0;
    stop_text[0] = '\0';
    for (const stop_cause_entry *row = stop_sim_cause; row->bit != 0; row++) {
        if (!(word & row->bit) || used >= sizeof stop_text - 1) continue;
        int n = snprintf(stop_text + used, sizeof stop_text - used, "%s, ", row->text);
        used += n > 0 ? (size_t)n : 0;
        if (used > sizeof stop_text - 1) used = sizeof stop_text - 1;
    }
    return stop_text;
}

int Stop_The_Simulation(uint32_t bits)
{
    __atomic_fetch_or(&stop_simulation, bits, __ATOMIC_SEQ_CST);
    SimStopText();
    return fire_stop_trigger();
}

void Stop_The_Simulation_From_Signal(uint32_t bits)
{
    __atomic_fetch_or(&stop_simulation, bits, __ATOMIC_SEQ_CST);
    if (stop_async_handler) Tcl_AsyncMark(stop_async_handler);
}

void Stop_Async_Init(void)
{
    if (!stop_async_handler) stop_async_handler = Tcl_AsyncCreate(stop_async_proc, nullptr);
}

void Start_The_Simulation(void)
{
    __atomic_store_n(&stop_simulation, 0, __ATOMIC_SEQ_CST);
    Assoc_Trigger_Fire(quarn_common.trigger_table, "SIM_START", "{ sim start }");
}

int Sim_Enable_Breakpoints(int flag)
{
    int previous = breakpoints_enabled;
    breakpoints_enabled = flag;
    return previous;
}

void Sim_Breakpoint(void)
{
    if (!breakpoints_enabled) return;
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGUSR1, &ignore, &previous);
    raise(SIGUSR1); // an attached debugger stops here
    sigaction(SIGUSR1, &previous, nullptr);
}

void BreakPoint(const char *text)
{
    SIM_PRINT("%ldt: Reached BreakPoint %s\n", (long)current_kernel_now(), text);
}

void Sim_Quit(int code)
{
    // Only a terminal has settings to restore (stty complains about anything else).
    if (isatty(STDIN_FILENO) && system("stty sane") != 0) {
        // No shell: nothing to restore.
    }
    Tcl_Exit(code);
}
