// Trigger tables and associative triggers. A machine's trigger table roots all its watch points
// (instruction-address, process, system-call, cycle and memory triggers, whose operations live in
// the execution engine); the global table holds only associative triggers: named simulator
// events with a Tcl command attached, fired with a text that describes the event.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "runtime/hash2.h"

struct GenericMachine;
struct Callback_Function;
struct ThreadState;
struct Tcl_HashEntry;
struct Tcl_HashSearch;

constexpr int TRG_BUFFER_LEN = 4096;
constexpr int ASSOC_TRIGGER_TEXT_LEN = 256;

struct Assoc_TriggerEntry {
    int32_t active;                         // 1 when a command is attached
    char name[ASSOC_TRIGGER_TEXT_LEN];      // the event name ("SIM_STOP", ...)
    GenericMachine *owner;                  // set for "QUIT_MACHINE"
    Callback_Function *registration;        // the callback registered for the error triggers
    char command[ASSOC_TRIGGER_TEXT_LEN];   // the Tcl command (as a rule a procedure name)
};

// The callback of instruction-address and memory triggers: (data, thread, address, length,
// effective, value) -> result. Instruction-address triggers are called with length 4, effective 1
// and value 0; memory triggers with the value being stored for a write trigger, else 0.
typedef int32_t (*Trigger_Callback)(void *data, ThreadState *thread, uint64_t address, int64_t length,
                                    int32_t effective, uint64_t value);

// One instruction-address trigger, on an effective or a real address (key0 the address, key1 0).
struct PC_TriggerEntry {
    HASH2_Entry hash;
    Trigger_Callback callback;
    void *data;
    uint64_t *hits;     // per object id: the instruction count at which it last fired
    int32_t hits_length;
};

// One memory trigger of a machine's sorted list.
struct Memory_Trigger {
    Memory_Trigger *next;
    uint64_t start;
    uint64_t end; // inclusive
    int32_t effective; // 1 effective addresses, 0 physical
    int32_t read;      // 1 read trigger, 0 write trigger
    uint64_t last_hit_address;
    int32_t last_hit_length;
    int32_t count;    // how many equal triggers were added and not removed
    int32_t disabled; // non-zero: skipped by checks and walks
    uint64_t *hits;   // per object id: the instruction count at which it last fired
    int32_t hits_length;
    int32_t token; // 0 for triggers added without a token
    Trigger_Callback callback;
    void *data;
};

// What the memory triggers of one (read, effective) kind span.
struct Memory_Trigger_Summary {
    int32_t count;
    uint64_t lowest_start;
    uint64_t highest_end;
};

struct TriggerTable {
    int32_t assoc_count;       // upper bound of the active associative triggers; 0: none can fire
    void *assoc_table;         // Tcl hash table, name -> Assoc_TriggerEntry; made on first definition
    int32_t pc_count;          // effective-address instruction triggers
    HASH2_Table *pc_table;
    int32_t realpc_count;      // real-address instruction triggers
    HASH2_Table *realpc_table;
    int32_t memory_enabled;    // memory triggers of the list whose disabled flag is clear
    Memory_Trigger *memory_head, *memory_tail; // sorted by start address
    Memory_Trigger memory_last_removed;
    Memory_Trigger_Summary memory_summary[4]; // indexed by 2 * read + effective
    int32_t pid_count;
    HASH2_Table *pid_table;
    int32_t syscall_count;
    HASH2_Table *syscall_table;
    int32_t cycle_count;
    HASH2_Table *cycle_table;
    char trg_buffer[TRG_BUFFER_LEN]; // where a trigger's call text is built
};

// Creates the global table of associative triggers, with its seven names, in quarn_common.
void Global_Assoc_Trigger_Init(void);
// Releases the global table.
void Global_Assoc_Trigger_Quit(void);

// Creates or updates the entry of the name (drops every translation first); 1 when the command is
// not empty, else 0.
int Assoc_Trigger_Define(TriggerTable *table, const char *name, const char *command);
// Defines a name without a command.
void Assoc_Trigger_Register(TriggerTable *table, const char *name);
// Gives a defined name its command and raises the associative count; null when the name is not
// defined.
Assoc_TriggerEntry *Assoc_Trigger_Set(TriggerTable *table, const char *name, const char *command);
// The active entry of that name, else null.
Assoc_TriggerEntry *Assoc_Trigger_Search(TriggerTable *table, const char *name);
// Deactivates an active entry and returns its command; null when nothing was active.
const char *Assoc_Trigger_Clear(TriggerTable *table, const char *name);
// Walks the table's names (the hash entry's value is the Assoc_TriggerEntry); null at the end.
Tcl_HashEntry *Assoc_Trigger_First(TriggerTable *table, Tcl_HashSearch *search);
Tcl_HashEntry *Assoc_Trigger_Next(TriggerTable *table, Tcl_HashSearch *search);
// The entry that a hash entry of the walk holds.
Assoc_TriggerEntry *Assoc_Trigger_Entry(Tcl_HashEntry *hash_entry);
// Releases every entry and the name table; the associative count becomes 0.
void Assoc_Trigger_Free_All(TriggerTable *table);
// Runs the named trigger's command with the formatted argument text; 1 when a command ran and
// succeeded, else 0 (also for a null table or one without associative triggers).
int Assoc_Trigger_Fire(TriggerTable *table, const char *name, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
