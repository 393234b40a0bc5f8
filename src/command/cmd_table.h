// Command tables and their dispatcher: named tables of command and sub-table entries, built by
// every subsystem that offers commands, searched by exact word or unique prefix, listed with
// hide levels, and torn down once per table.
#pragma once

#include <cstdint>

#include "machine/hooks/command_hooks.h"

struct Tcl_Interp;
struct Selector;
struct SimCmdTable;

// Plain command handler: (selector, interpreter, word count, words); words[0] is the command path
// as typed. 0 is success.
typedef int (*SimCmdHandler)(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
// Object-method handler: the entry's user data comes first.
typedef int (*SimCmdObjHandler)(Selector *selector, void *data, Tcl_Interp *interpreter, int argc,
                                char **argv);
// Sub-table builder: (builder argument) -> table.
typedef SimCmdTable *(*SimCmdBuilder)(void *argument);

struct SimCmdTableEntry {
    SimCmdTableEntry *next;
    char *name;             // interned, owned by the entry
    SimCmdHandler handler;  // a SimCmdObjHandler when user_data is set; may be null
    int32_t is_table;       // 1 for a sub-table entry
    uint32_t hide_mask;     // 0, or the single bit (level - 1)
    int32_t expected_count; // words after the entry's word; -1 any (always -1 for tables)
    const char *usage;      // the caller's constant, may be null
    SimCmdTable *subtable;
    int32_t mark;
    void *user_data; // non-null for object methods
};

struct SimCmdTable {
    char *name; // interned, owned by the table
    int32_t mark;
    SimCmdTableEntry *first;
};

// The whole Tcl command a dispatch works on.
struct SimCmdContext {
    int count;
    char **vector;
};

enum SimCmdHideReason : int32_t {
    REVEALED = 0,
    DEPRECATED = 1,
    EXPERIMENTAL = 2,
    GUI_ONLY = 3,
    HIDE_PUBLIC = 4,
    PRIVATE = 5,
};

// Dispatcher results.
enum : int { SIMCMD_OK = 0, SIMCMD_FAILED = 1, SIMCMD_NOT_FOUND = 2 };

constexpr int SIMCMD_PATH_LENGTH = 256;

// An entry is left out of listings when the mask AND its hide mask is non-zero.
extern uint32_t simcmd_reveal_mask;
// Dispatcher activations in progress.
extern int32_t simcmd_nesting;

// Building. Handler names are accepted for documentation only.
SimCmdTable *Init_SimCmdTable(const char *name);
void add_simcommand(SimCmdTable *table, const char *name, SimCmdHandler handler, const char *handler_name,
                    int expected_count, int hide_level, const char *usage);
void add_sim_obj_method(SimCmdTable *table, const char *name, SimCmdObjHandler handler,
                        const char *handler_name, void *user_data, int expected_count, int hide_level,
                        const char *usage);
void replace_sim_obj_method(SimCmdTable *table, const char *name, SimCmdObjHandler handler,
                            const char *handler_name, void *user_data, int expected_count, int hide_level,
                            const char *usage);
// A sub-table entry; the sub-table is builder(argument) when a builder is given. An entry with a
// handler is called like a command instead of being descended into.
void add_simtable(SimCmdTable *table, const char *name, SimCmdHandler handler, const char *handler_name,
                  SimCmdBuilder builder, void *builder_argument, int hide_level, const char *usage);
void connect_subtable(SimCmdTable *table, const char *name, SimCmdTable *existing, int hide_level,
                      const char *usage);
void SetHiddenNonPublic(SimCmdTableEntry *entry);
// Adds one sub-table per entry of the "build_public_simcmd" callback list not yet in the table.
void Callback_Add_Cmds(SimCmdTable *table);
// The sub-table of the named entry, created empty when missing; a missing entry is a fatal
// internal error.
SimCmdTable *SimCmd_Get_SubTable(SimCmdTable *table, const char *name);

// Lookup and dispatch.
void Init_SimCmdContext(SimCmdContext *context, int count, char **vector);
SimCmdTableEntry *Search_SimCmdTable(SimCmdTable *table, const char *name);
// (context count, context vector) is the whole Tcl command; (count, vector) the words from the one
// that led to this table. Returns SIMCMD_OK, SIMCMD_FAILED or SIMCMD_NOT_FOUND. The words are never
// written: a handler gets its own copy, with the command path in place of its word.
int Select_SimCmdTable(SimCmdTable *table, int context_count, char **context_vector, Selector *selector,
                       Tcl_Interp *interpreter, int count, char **vector);

// Listings.
void List_SimCmdTable(Tcl_Interp *interpreter, const char *path, SimCmdTable *table);
void Print_SimCmdTree(Tcl_Interp *interpreter, SimCmdTable *table);
// Shows or changes the reveal mask; also the Tcl command "reveal".
int toplevelreveal_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// Quit_SimCmdTable: machine/hooks/command_hooks.h (the machine floor frees its tables).
