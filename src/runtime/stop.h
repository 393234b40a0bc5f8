// Stop causes: one global word of cause bits ends a run; its causes as text; run start and stop
// with their "SIM_START"/"SIM_STOP" triggers; debugger breakpoint hooks; the exit routine.
#pragma once

#include <cstdint>

enum : uint32_t {
    STOP_STARTUP = 0x1,
    STOP_USER_TCL = 0x2,
    STOP_CYCLE_COUNT = 0x4,
    STOP_INSTRUCTION_COUNT = 0x8,
    STOP_QUARN_ERROR = 0x10,
    STOP_GDB = 0x20,
    STOP_EXIT_SYSCALL = 0x40,
    STOP_MACHINE_RESET = 0x80,
    STOP_NO_ACTIVITY = 0x100,
    STOP_OF_EXIT = 0x200,
    STOP_EVENT_QUEUE_EMPTY = 0x400,
    STOP_RTAS = 0x800,
    STOP_USER_INTERRUPT = 0x1000,
    STOP_CONTINUOUS_INTERRUPT = 0x2000,
    STOP_MACHINE_CHECK = 0x8000,
    STOP_END_OF_TRACE = 0x10000,
    STOP_INSTRUCTION_EXCEPTION = 0x20000,
    STOP_ATTN = 0x40000,
    STOP_MAIN_RETURNED = 0x80000,
    STOP_EXTERNAL_DRIVER = 0x100000,
    STOP_COPROCESSOR = 0x200000,
    STOP_SIM_SUPPORT_EXIT = 0x400000,
};

struct stop_cause_entry {
    uint32_t bit;
    const char *text;
};

// The stop word: 0 while running; "startup" (0x1) when the process starts. Change it only with
// Stop_The_Simulation / Start_The_Simulation (one atomic OR, also from signal handlers).
extern uint32_t stop_simulation;
// The causes in the order of the stop text, ended by {0, "not-stopped"}.
extern const stop_cause_entry stop_sim_cause[];

// ORs the bits into the stop word and fires "SIM_STOP"; 1 when the trigger ran successfully.
int Stop_The_Simulation(uint32_t bits);
// The same from a signal handler: one atomic OR; the "SIM_STOP" trigger is requested through
// Tcl's asynchronous handlers and runs at the interpreter's next safe point.
void Stop_The_Simulation_From_Signal(uint32_t bits);
// Creates the asynchronous handler used above (on the interpreter's thread, before any signal).
void Stop_Async_Init(void);
// Clears every cause and fires "SIM_START".
void Start_The_Simulation(void);
// The set causes, each followed by ", ", in table order ("not-stopped" when none); a static buffer.
const char *SimStopText(void);
// Sets the breakpoint-hook flag; returns its previous value.
int Sim_Enable_Breakpoints(int flag);
// With the flag set, raises SIGUSR1 (ignored unless a debugger catches it).
void Sim_Breakpoint(void);
// Prints "<tick>t: Reached BreakPoint <text>".
void BreakPoint(const char *text);
// Restores the terminal and leaves through Tcl's exit handlers.
[[noreturn]] void Sim_Quit(int code);
