// Trigger tables and associative triggers: named simulator events with a Tcl command attached,
// fired with a text that describes the event.
#pragma once

#include <cstdarg>
#include <cstdint>

struct GenericMachine;
struct Callback_Function;

constexpr int TRG_BUFFER_LEN = 4096;

struct Assoc_TriggerEntry {
    int32_t active;                  // 1 when a command is attached
    char name[256];                  // the event name ("SIM_STOP", ...)
    GenericMachine *owner;           // set for "QUIT_MACHINE"
    Callback_Function *registration; // the callback registered for the error triggers
    char command[256];               // the Tcl command (as a rule a procedure name)
};

// STAND-IN: of the trigger table only the associative count, the associative table and the
// command buffer exist; the address, memory, process, system-call and cycle triggers come with
// the trigger subsystem.
struct TriggerTable {
    int32_t assoc_count;             // 0: no associative trigger of this table can fire
    void *assoc_table;               // the name -> Assoc_TriggerEntry table
    char trg_buffer[TRG_BUFFER_LEN]; // where a trigger's call text is built
};

// Creates the global table of associative triggers and stores it in quarn_common.
void Global_Assoc_Trigger_Init(void);
// Releases the global table.
void Global_Assoc_Trigger_Quit(void);
// The active entry of that name, else null.
Assoc_TriggerEntry *Assoc_Trigger_Search(TriggerTable *table, const char *name);
// Runs the named trigger's command with the formatted argument text; 1 when a command ran and
// succeeded, else 0 (also for a null table or one without associative triggers).
int Assoc_Trigger_Fire(TriggerTable *table, const char *name, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
