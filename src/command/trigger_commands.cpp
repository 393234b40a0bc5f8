// The "trigger" command tables and the calls that run their procedures when a trigger fires.
#include "command/trigger_commands.h"

#include "devices/hooks/console_triggers.h"

#include <tcl.h>

#include <algorithm>
#include <cstdarg>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/selector.h"
#include "command/tcl_numbers.h"
#include "devices/console.h"
#include "exec/hooks/translator_triggers.h"
#include "exec/memory_triggers.h"
#include "exec/pc_triggers.h"
#include "kernel/delay.h"
#include "kernel/job.h"
#include "processor/hooks/pturbo_control.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/time/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/tcl_eval.h"
#include "runtime/tcl_output.h"
#include "runtime/triggers.h"
#include "runtime/utils.h"

namespace
{

constexpr const char *GLOBAL_NAMES[] = {"FATAL_ERROR", "INTERNAL_ERROR", "WARNING", "NEW_MACHINE",
                                        "QUIT",        "SIM_START",      "SIM_STOP"};
constexpr const char *MACHINE_NAMES[] = {"ATTN",     "BRANCH_SELF",  "CALLTHRU",   "NOOP",        "OBJECT_LOAD",
                                         "PTE_LOAD", "QUIT_MACHINE", "THREAD_RUN", "THREAD_STALL"};

// The data of a memory trigger made by these commands.
struct cb_memory_data {
    char *procedure; // interned
    uint32_t kinds;  // 1 read, 2 write, 3 both
};

int chip_number(const ThreadState *thread)
{
    return thread && thread->mcm ? thread->mcm->number : 0;
}

int32_t PC_Trigger_Invoke(void *data, ThreadState *thread, uint64_t address, int64_t, int32_t, uint64_t)
{
    return Triggers_TCL_Call(nullptr, (const char *)data, "{address 0x%016lX mcm %d cpu %d thread %d}", (unsigned long)address,
                             chip_number(thread), thread && thread->processor ? (int)thread->processor->number_in_chip : 0,
                             thread ? (int)thread->thread_id_in_core : 0);
}

int32_t Memory_Trigger_Invoke(void *data, ThreadState *thread, uint64_t address, int64_t, int32_t effective, uint64_t)
{
    const auto *memory = (const cb_memory_data *)data;
    const char *type = memory->kinds == 1 ? "r" : memory->kinds == 2 ? "w" : memory->kinds == 3 ? "rw" : "none";
    return Triggers_TCL_Call(nullptr, memory->procedure, "{address 0x%016lX %s type %s translate %d}", (unsigned long)address,
                             thread && thread->name ? thread->name : "", type, effective);
}

int32_t Syscall_Trigger_Invoke(void *data, ThreadState *thread, uint64_t, int64_t, int32_t, uint64_t)
{
    const auto *entry = (const Syscall_Trigger_Entry *)data;
    GenericMachine *machine = thread ? thread->machine : nullptr;
    int code = Triggers_TCL_Call(nullptr, entry->procedure, "{sim %s mcm %d cpu %d thread %d sc %d}",
                                 machine && machine->name ? machine->name : "", chip_number(thread),
                                 thread && thread->processor ? (int)thread->processor->core_id : 0,
                                 thread ? (int)thread->thread_id_in_core : 0, (int)entry->hash.key0);
    return code == TCL_OK ? 1 : 0;
}

// The error-list callbacks of the global table; idle while their entry is inactive.
void message_trigger(Assoc_TriggerEntry *entry, const char *kind, const char *message)
{
    if (!entry || !entry->active) return;
    char text[256];
    // The text is cut at 255 characters.
    if (snprintf(text, sizeof text, "%s { %s \"%s\" }", entry->command, kind, message ? message : "") < 0) return;
    safe_Tcl_Eval(quarn_common.interpreter, text);
}
void fatal_error_trigger(void *data, const char *message)
{
    message_trigger((Assoc_TriggerEntry *)data, "FATAL_ERROR", message);
}
void internal_error_trigger(void *data, const char *message)
{
    message_trigger((Assoc_TriggerEntry *)data, "INTERNAL_ERROR", message);
}
void warning_trigger(void *data, const char *message)
{
    message_trigger((Assoc_TriggerEntry *)data, "WARNING", message);
}
void quit_machine_trigger(void *data, GenericMachine *machine)
{
    auto *entry = (Assoc_TriggerEntry *)data;
    if (!entry || !entry->active || entry->owner != machine) return;
    char text[256];
    if (snprintf(text, sizeof text, "%s { machine %s }", entry->command,
                 machine && machine->name ? machine->name : "") < 0)
        return;
    safe_Tcl_Eval(quarn_common.interpreter, text);
}

bool read_number(Tcl_Interp *interp, const char *word, uint64_t *value, const char *message)
{
    char *end = nullptr;
    errno = 0;
    *value = strtoull(word, &end, 0);
    if (*word && *end == '\0' && errno == 0) return true;
    SIM_TCLPRINT(interp, message, word);
    return false;
}

// "%s -> %s\n" for the active entries (and "%s -> inactive\n" when asked), sorted by name.
void Assoc_Trigger_List(Tcl_Interp *interp, TriggerTable *table, bool with_inactive)
{
    std::vector<Assoc_TriggerEntry *> entries;
    Tcl_HashSearch search;
    for (Tcl_HashEntry *e = Assoc_Trigger_First(table, &search); e; e = Assoc_Trigger_Next(table, &search))
        entries.push_back(Assoc_Trigger_Entry(e));
    std::sort(entries.begin(), entries.end(),
              [](const Assoc_TriggerEntry *a, const Assoc_TriggerEntry *b) { return strncmp(a->name, b->name, 256) < 0; });
    for (const Assoc_TriggerEntry *entry : entries) {
        if (entry->active)
            SIM_TCLPRINT(interp, "%s -> %s\n", entry->name, entry->command);
        else if (with_inactive)
            SIM_TCLPRINT(interp, "%s -> inactive\n", entry->name);
    }
}

// ---- associative triggers ----

int set_assoc(Selector *selector, TriggerTable *table, Tcl_Interp *interp, const char *name, const char *procedure)
{
    Assoc_TriggerEntry *entry = Assoc_Trigger_Set(table, name, procedure);
    if (!entry) {
        SIM_TCLPRINT(interp, "assoc trigger not found (%s) ", name);
        return 1;
    }
    if (!entry->registration) {
        if (!strcmp(name, "FATAL_ERROR"))
            entry->registration = Callback_register_at_fatal_error(0, "TRIGGER", fatal_error_trigger, entry);
        else if (!strcmp(name, "INTERNAL_ERROR"))
            entry->registration = Callback_register_at_internal_error(0, "TRIGGER", internal_error_trigger, entry);
        else if (!strcmp(name, "WARNING"))
            entry->registration = Callback_register_at_warning(0, "TRIGGER", warning_trigger, entry);
    }
    if (!strcmp(name, "QUIT_MACHINE")) {
        GenericMachine *machine = select_machine(selector);
        entry->owner = machine;
        if (!entry->registration && machine)
            entry->registration = Callback_register_quit_machine(
                0, machine->name, reinterpret_cast<CallbackFunction>(quit_machine_trigger), entry);
    }
    SIM_TCLPRINT(interp, "%s: %s", name, procedure);
    return 0;
}

int GlobalTriggerSetAssocCmd(Selector *selector, void *data, Tcl_Interp *interp, int, char **argv)
{
    return set_assoc(selector, quarn_common.trigger_table, interp, (const char *)data, argv[1]);
}

int GlobalTriggerClearAssocCmd(Selector *, Tcl_Interp *interp, int, char **argv)
{
    const char *old = Assoc_Trigger_Clear(quarn_common.trigger_table, argv[1]);
    if (!old) {
        SIM_TCLPRINT(interp, "assoc trigger not found (%s) ", argv[1]);
        return 1;
    }
    SIM_TCLPRINT(interp, "%s", old);
    return 0;
}

int GlobalTriggerDisplayAssocListCmd(Selector *, Tcl_Interp *interp, int, char **)
{
    Assoc_Trigger_List(interp, quarn_common.trigger_table, false);
    return 0;
}

int GlobalTriggerDisplayAssocAvailCmd(Selector *, Tcl_Interp *interp, int, char **)
{
    Assoc_Trigger_List(interp, quarn_common.trigger_table, true);
    return 0;
}

TriggerTable *machine_table(Selector *selector)
{
    GenericMachine *machine = select_machine(selector);
    return machine ? machine->trigger_table : nullptr;
}

int TriggerSetAssocCmd(Selector *selector, void *data, Tcl_Interp *interp, int, char **argv)
{
    return set_assoc(selector, machine_table(selector), interp, (const char *)data, argv[1]);
}

int TriggerClearAssocCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    if (strlen(argv[1]) >= 256) {
        SIM_TCLPRINT(interp, "assoc name (%s) too long", argv[1]);
        return 1;
    }
    char name[256];
    snprintf(name, sizeof name, "%s", argv[1]);
    Force_Upper(name);
    const char *old = Assoc_Trigger_Clear(machine_table(selector), name);
    if (!old) {
        SIM_TCLPRINT(interp, "assoc trigger not found (%s) ", name);
        return 1;
    }
    SIM_TCLPRINT(interp, "%s", old);
    return 0;
}

int display_assoc(Selector *selector, Tcl_Interp *interp, bool with_inactive)
{
    GenericMachine *machine = select_machine(selector);
    SIM_TCLPRINT(interp, "\nGlobal Triggers\n");
    Assoc_Trigger_List(interp, quarn_common.trigger_table, with_inactive);
    SIM_TCLPRINT(interp, "\nMachine Triggers for %s\n", machine && machine->name ? machine->name : "");
    Assoc_Trigger_List(interp, machine ? machine->trigger_table : nullptr, with_inactive);
    return 0;
}

int TriggerDisplayAssocListCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    return display_assoc(selector, interp, false);
}

int TriggerDisplayAssocAvailCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    return display_assoc(selector, interp, true);
}

int TriggerDisplayAssocProcCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    Assoc_TriggerEntry *entry = Assoc_Trigger_Search(machine_table(selector), argv[1]);
    if (entry) SIM_TCLPRINT(interp, "%d %s", 1, entry->command);
    return 0;
}

// ---- PC and real-address PC triggers ----

int set_pc(Selector *selector, Tcl_Interp *interp, char **argv, bool real)
{
    GenericMachine *machine = select_machine(selector);
    uint64_t address = 0;
    if (!read_number(interp, argv[1], &address,
                     real ? "RealPC trigger: error reading address (%s) " : "pc trigger: error reading address (%s) "))
        return 1;
    if (!machine) return 1;
    char *procedure = REMEMBER_STRING(argv[2]);
    if (real)
        Trigger_RealPC__Add(machine, address, PC_Trigger_Invoke, procedure);
    else
        Trigger_PC__Add(machine, address, PC_Trigger_Invoke, procedure);
    PC_TriggerEntry *entry = real ? Trigger_RealPC__Search(machine, address) : Trigger_PC__Search(machine, address);
    if (entry) SIM_TCLPRINT(interp, "%s", (const char *)entry->data);
    return 0;
}

int TriggerSetPcCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    return set_pc(selector, interp, argv, false);
}

int TriggerSetRealPCCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    return set_pc(selector, interp, argv, true);
}

int clear_pc(Selector *selector, Tcl_Interp *interp, char **argv, bool real)
{
    GenericMachine *machine = select_machine(selector);
    uint64_t address = 0;
    if (!read_number(interp, argv[1], &address,
                     real ? "real pc trigger: error reading address (%s) " : "pc trigger: error reading address (%s) "))
        return 1;
    while (PC_TriggerEntry *entry = real ? Trigger_RealPC__Remove(machine, address)
                                         : Trigger_PC__Remove(machine, address)) {
        SIM_TCLPRINT(interp, "%s", (const char *)entry->data);
        FORGET_STRING((char *)entry->data);
        Trigger_PC__Delete(entry);
    }
    return 0;
}

int TriggerClearPcCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    return clear_pc(selector, interp, argv, false);
}

int TriggerClearRealPCCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    return clear_pc(selector, interp, argv, true);
}

int TriggerDisplayPcListCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    const char *separator = "";
    for (PC_TriggerEntry *e = Trigger_PC__First(machine); e; e = Trigger_PC__Next(machine, e)) {
        SIM_TCLPRINT(interp, "%s0x%016lX", separator, (unsigned long)e->hash.key0);
        separator = "\n";
    }
    return 0;
}

int TriggerDisplayRealPCListCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    const char *separator = "";
    for (PC_TriggerEntry *e = Trigger_RealPC__First(machine); e; e = Trigger_RealPC__Next(machine, e)) {
        SIM_TCLPRINT(interp, "%s0x%016lX ", separator, (unsigned long)e->hash.key0);
        separator = "\n";
    }
    return 0;
}

int display_pc_addr(Selector *selector, Tcl_Interp *interp, char **argv, bool real)
{
    GenericMachine *machine = select_machine(selector);
    uint64_t address = 0;
    if (!read_number(interp, argv[1], &address, "pc trigger: error reading address (%s) ")) return 1;
    PC_TriggerEntry *entry = real ? Trigger_RealPC__Search(machine, address) : Trigger_PC__Search(machine, address);
    if (entry) SIM_TCLPRINT(interp, "%s", (const char *)entry->data);
    return 0;
}

int TriggerDisplayPcAddrCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    return display_pc_addr(selector, interp, argv, false);
}

int TriggerDisplayRealPCAddrCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    return display_pc_addr(selector, interp, argv, true);
}

// ---- memory triggers ----

cb_memory_data *memory_data(const char *procedure, uint32_t kinds)
{
    cb_memory_data *data = QUARN_ZALLOC(1, cb_memory_data);
    if (!data) return nullptr;
    data->procedure = REMEMBER_STRING(procedure);
    data->kinds = kinds;
    return data;
}

void free_memory_data(cb_memory_data *data)
{
    if (!data) return;
    FORGET_STRING(data->procedure);
    QUARN_FREE(data);
}

int TriggerSetMemorySystemCmd(Selector *selector, void *kinds_word, Tcl_Interp *interp, int, char **argv)
{
    uint32_t kinds = (uint32_t)(uintptr_t)kinds_word;
    GenericMachine *machine = select_machine(selector);
    uint64_t start = 0, end = 0;
    int effective = 0;
    if (!tclstr_to_uint64_t(interp, argv[1], &start, "addr1")) return 1;
    if (!tclstr_to_uint64_t(interp, argv[2], &end, "addr2")) return 1;
    if (!tclstr_to_int(interp, argv[3], &effective, "effective")) return 1;
    if (effective != 0 && effective != 1) {
        SIM_TCLPRINT(interp, "memory trigger: effective mode must be 0 for real mode, 1 for translation enabled.");
        return 1;
    }
    if (!machine) return 1;
    // Each trigger owns its data, so that clearing the two triggers of "rw" frees each once.
    for (uint32_t kind : {MEMORY_TRIGGER_READ, MEMORY_TRIGGER_WRITE}) {
        if (!(kinds & kind)) continue;
        cb_memory_data *data = memory_data(argv[4], kinds);
        if (!data) return 1;
        Memory_Trigger *trigger =
            Trigger_Memory__Add(machine, start, end, effective, kind, 0, Memory_Trigger_Invoke, data);
        if (!trigger || trigger->data != data) free_memory_data(data); // an equal trigger took its place
    }
    tt_memtrigger_reset();
    return 0;
}

int TriggerClearMemorySystemCmd(Selector *selector, void *kinds_word, Tcl_Interp *interp, int, char **argv)
{
    uint32_t kinds = (uint32_t)(uintptr_t)kinds_word;
    GenericMachine *machine = select_machine(selector);
    uint64_t start = 0, end = 0;
    if (!tclstr_to_uint64_t(interp, argv[1], &start, "addr1")) return 1;
    if (!tclstr_to_uint64_t(interp, argv[2], &end, "addr2")) return 1;
    const char *separator = "";
    while (Memory_Trigger *trigger = Trigger_Memory__Remove(machine, start, end, kinds)) {
        if (trigger->count > 0) continue;
        auto *data = (cb_memory_data *)trigger->data;
        SIM_TCLPRINT(interp, "%s%s", separator, data ? data->procedure : "");
        separator = "\n";
        free_memory_data(data);
        Trigger_Memory__Delete(trigger);
    }
    return 0;
}

int TriggerDisplayMemorySystemListCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    const char *separator = "";
    for (Memory_Trigger *t = Trigger_Memory__First(machine); t; t = Trigger_Memory__Next(machine, t)) {
        const auto *data = (const cb_memory_data *)t->data;
        SIM_TCLPRINT(interp, "%s{ %s addr1 0x%016lX addr2 0x%016lX translate %d proc \"%s\" }", separator,
                     t->read ? "R" : "W", (unsigned long)t->start, (unsigned long)t->end, t->effective,
                     data ? data->procedure : "");
        separator = "\n";
    }
    return 0;
}

// ---- system-call triggers ----

int TriggerSetSyscallCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    uint64_t number = 0;
    if (!read_number(interp, argv[1], &number, "syscall_trigger: error reading syscall number (%s) ")) return 1;
    if (!machine) return 1;
    Syscall_Trigger_Entry *entry = Trigger_Syscall__Remove(machine, number);
    if (!entry) entry = QUARN_ZALLOC(1, Syscall_Trigger_Entry);
    if (!entry) {
        SIM_TCLPRINT(interp, "internal error: syscall_trigger: failed to allocate Syscall Trigger hash entry");
        return 1;
    }
    entry->hash.key0 = number;
    entry->hash.key1 = 0;
    entry->callback = Syscall_Trigger_Invoke;
    entry->data = entry;
    snprintf(entry->procedure, sizeof entry->procedure, "%s", argv[2]);
    Trigger_Syscall__Add(machine, entry);
    SIM_TCLPRINT(interp, "%s", Trigger_Syscall__Search(machine, number)->procedure);
    return 0;
}

int TriggerClearSyscallCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    uint64_t number = 0;
    if (!read_number(interp, argv[1], &number, "syscall_trigger: error reading syscall number (%s) ")) return 1;
    while (Syscall_Trigger_Entry *entry = Trigger_Syscall__Remove(machine, number)) {
        SIM_TCLPRINT(interp, "%s", entry->procedure);
        QUARN_FREE(entry);
    }
    return 0;
}

int TriggerDisplaySyscallListCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    const char *separator = "";
    for (Syscall_Trigger_Entry *e = Trigger_Syscall__First(machine); e; e = Trigger_Syscall__Next(machine, e)) {
        SIM_TCLPRINT(interp, "%s%ld -> %s", separator, (long)e->hash.key0, e->procedure);
        separator = "\n";
    }
    return 0;
}

int TriggerDisplaySyscallCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    uint64_t number = 0;
    if (!read_number(interp, argv[1], &number, "syscall_trigger: error reading syscall number (%s) ")) return 1;
    Syscall_Trigger_Entry *entry = Trigger_Syscall__Search(select_machine(selector), number);
    SIM_TCLPRINT(interp, "%s", entry ? entry->procedure : "?");
    return 0;
}

// ---- console triggers ----

// Copies a command word into a 256-byte field; a word that does not fit is refused with a message
// naming the field.
bool copy_field(Tcl_Interp *interp, char *field, const char *word, const char *what)
{
    size_t length = strlen(word);
    if (length >= CONSOLE_TRIGGER_TEXT_LEN) {
        SIM_TCLPRINT(interp, "%s too long (%zu characters, at most %d)", what, length, CONSOLE_TRIGGER_TEXT_LEN - 1);
        return false;
    }
    memcpy(field, word, length + 1);
    return true;
}

int TriggerSetConsoleCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    ConsoleDevice *console = select_console(selector);
    if (!console) {
        SIM_TCLPRINT(interp, "Console is not found (NULL)");
        return 1;
    }
    Console_Trigger probe;
    if (!copy_field(interp, probe.match, argv[1], "console trigger: console string") ||
        !copy_field(interp, probe.command, argv[2], "console trigger: procedure name"))
        return 1;
    Console_Trigger *entry = QUARN_ZALLOC(1, Console_Trigger);
    if (!entry) return 1;
    memcpy(entry->match, probe.match, sizeof entry->match);
    memcpy(entry->command, probe.command, sizeof entry->command);
    entry->match_length = (int32_t)strlen(entry->match);
    entry->next = console->triggers;
    console->triggers = entry;
    if (console->trigger_count++ == 0) Console_Save_Lines(console, 1);
    SIM_TCLPRINT(interp, "%s", entry->match);
    return 0;
}

int TriggerClearConsoleCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    ConsoleDevice *console = select_console(selector);
    if (!console) {
        SIM_TCLPRINT(interp, "Console is not found (NULL)");
        return 1;
    }
    Console_Trigger *found = Trigger_Check_Console(console->triggers, argv[1]);
    if (!found) {
        SIM_TCLPRINT(interp, "console trigger not found (%s) ", argv[1]);
        return 1;
    }
    for (Console_Trigger **link = &console->triggers; *link; link = &(*link)->next)
        if (*link == found) {
            *link = found->next;
            break;
        }
    console->trigger_count--;
    SIM_TCLPRINT(interp, "%s", found->command);
    QUARN_FREE(found);
    return 0;
}

int TriggerDisplayConsoleListCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    ConsoleDevice *console = select_console(selector);
    for (Console_Trigger *e = console ? console->triggers : nullptr; e; e = e->next)
        SIM_TCLPRINT(interp, "\"%s\" -> {%s}\n", e->match, e->command);
    return 0;
}

// ---- process-id triggers ----

int processor_number(const ThreadState *thread)
{
    return thread && thread->processor ? (int)thread->processor->core_id : 0;
}

int32_t PID_Trigger_Invoke(void *data, ThreadState *thread, uint64_t pid, int64_t, int32_t, uint64_t)
{
    auto *entry = (PID_TrackEntry *)data;
    if (entry->mapped == thread) return 1;
    pturbo_zap_all_threads_now("PID Trigger");
    if (ThreadState *old = entry->mapped) {
        int code = Triggers_TCL_Call(nullptr, entry->procedure, "{unmap pid %ld mcm %d cpu %d thread %d}", (long)pid,
                                     chip_number(old), processor_number(old), (int)old->thread_id_in_core);
        if (code != TCL_OK) return 0;
    }
    entry->mapped = thread;
    int code = Triggers_TCL_Call(nullptr, entry->procedure, "{map pid %ld mcm %d cpu %d thread %d}", (long)pid,
                                 chip_number(thread), processor_number(thread),
                                 thread ? (int)thread->thread_id_in_core : 0);
    return code == TCL_OK ? 1 : 0;
}

int TriggerTrackPIDCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    uint64_t pid = 0;
    if (!read_number(interp, argv[1], &pid, "pid track: error reading pid (%s) ")) return 1;
    if (!machine) return 1;
    char procedure[TRIGGER_PROCEDURE_LEN];
    if (!copy_field(interp, procedure, argv[2], "pid track: procedure name")) return 1;
    PID_TrackEntry *entry = Trigger_PID__Remove(machine, pid);
    if (!entry) entry = QUARN_ZALLOC(1, PID_TrackEntry);
    if (!entry) {
        SIM_TCLPRINT(interp, "internal error: pid track: failed to allocate PID track hash entry");
        return 1;
    }
    entry->hash.key0 = pid;
    entry->hash.key1 = 0;
    memcpy(entry->procedure, procedure, sizeof procedure);
    entry->callback = PID_Trigger_Invoke;
    entry->data = entry;
    Trigger_PID__Add(machine, entry);
    SIM_TCLPRINT(interp, "%s", Trigger_PID__Search(machine, pid)->procedure);
    return 0;
}

int TriggerClearPIDTrackCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    uint64_t pid = 0;
    if (!read_number(interp, argv[1], &pid, "PID track clear: error reading pid (%s) ")) return 1;
    while (PID_TrackEntry *entry = Trigger_PID__Remove(machine, pid)) {
        SIM_TCLPRINT(interp, "%s", entry->procedure);
        QUARN_FREE(entry);
    }
    return 0;
}

int TriggerDisplayPIDTrackListCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    const char *separator = "";
    for (PID_TrackEntry *e = Trigger_PID__First(machine); e; e = Trigger_PID__Next(machine, e)) {
        SIM_TCLPRINT(interp, "%s%ld -> %s", separator, (long)e->hash.key0, e->procedure);
        separator = "\n";
    }
    return 0;
}

int TriggerDisplayPIDTrackCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    uint64_t pid = 0;
    if (!read_number(interp, argv[1], &pid, "pid track display: error reading pid (%s) ")) return 1;
    PID_TrackEntry *entry = Trigger_PID__Search(select_machine(selector), pid);
    SIM_TCLPRINT(interp, "%s", entry ? entry->procedure : "?");
    return 0;
}

// ---- cycle triggers ----

uint64_t base_ticks_per_cycle(GenericMachine *machine)
{
    time_domain *domain = machine ? machine->base_domain : nullptr;
    return domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
}

// The job of one cycle trigger: waits for the delay, then runs the procedure unless the trigger was
// cleared meanwhile; it owns the entry and frees it in every case.
void Cycle_Trigger_Job(void *argument)
{
    auto *entry = (Cycle_Trigger_Entry *)argument;
    current_delay_ticks(entry->delay * base_ticks_per_cycle(entry->machine));
    if (entry->active) {
        safe_Tcl_Eval(quarn_common.interpreter, entry->procedure);
        Trigger_Cycle__Remove_By_Entry(entry);
    }
    QUARN_FREE(entry);
}

int TriggerSetCycleCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    uint64_t cycle = 0;
    if (!read_number(interp, argv[1], &cycle, "cycle trigger: error reading cycles (%s) ")) return 1;
    if (!machine) return 1;
    char procedure[TRIGGER_PROCEDURE_LEN];
    if (!copy_field(interp, procedure, argv[2], "cycle trigger: procedure name")) return 1;
    uint64_t now = 0;
    if (machine->tsim) {
        uint64_t per_cycle = base_ticks_per_cycle(machine);
        now = (machine->tsim->now + per_cycle - 1) / per_cycle;
    } else {
        sim_error("tsim in machine is NULL!!!!");
    }
    Cycle_Trigger_Entry *entry = QUARN_ZALLOC(1, Cycle_Trigger_Entry);
    if (!entry) {
        SIM_TCLPRINT(interp, "cycle trigger: error allocating Cycle_Trigger_Entry structure");
        return 1;
    }
    // A cycle already reached fires at the next opportunity instead of after a wrapped-around delay.
    uint64_t delay = cycle > now ? cycle - now : 0;
    entry->hash.key0 = delay;
    entry->hash.key1 = 0;
    entry->delay = delay;
    entry->active = 1;
    entry->machine = machine;
    memcpy(entry->procedure, procedure, sizeof procedure);
    if (!machine->tsim || !job_new_exec(machine->tsim, "cycle trigger", nullptr, Cycle_Trigger_Job, entry)) {
        QUARN_FREE(entry);
        return 1;
    }
    Trigger_Cycle__Add(machine, entry);
    return 0;
}

int TriggerClearCycleCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    uint64_t key = 0;
    if (!read_number(interp, argv[1], &key, "cycle_trigger: error reading cycle number (%s) ")) return 1;
    const char *separator = "";
    while (Cycle_Trigger_Entry *entry = Trigger_Cycle__Remove(machine, key)) {
        SIM_TCLPRINT(interp, "%s%s", separator, entry->procedure);
        separator = "\n";
        entry->active = 0; // its job frees it when it wakes
    }
    return 0;
}

int TriggerDisplayCycleListCmd(Selector *selector, Tcl_Interp *interp, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    const char *separator = "";
    for (Cycle_Trigger_Entry *e = Trigger_Cycle__First(machine); e; e = Trigger_Cycle__Next(machine, e)) {
        SIM_TCLPRINT(interp, "%s%ld -> %s", separator, (long)e->hash.key0, e->procedure);
        separator = "\n";
    }
    return 0;
}

int TriggerDisplayCycleCmd(Selector *selector, Tcl_Interp *interp, int, char **argv)
{
    uint64_t key = 0;
    if (!read_number(interp, argv[1], &key, "cycle_trigger: error reading cycle number (%s) ")) return 1;
    Cycle_Trigger_Entry *entry = Trigger_Cycle__Search(select_machine(selector), key);
    SIM_TCLPRINT(interp, "%s", entry ? entry->procedure : "?");
    return 0;
}

} // namespace

int Triggers_TCL_Call(GenericMachine *, const char *procedure, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int code = vTriggers_TCL_Call(quarn_common.trigger_table, procedure, format, args);
    va_end(args);
    return code;
}

Console_Trigger *Trigger_Check_Console(Console_Trigger *list, const char *line)
{
    if (!line) return nullptr;
    size_t length = strlen(line);
    for (Console_Trigger *e = list; e; e = e->next)
        if ((size_t)e->match_length <= length && strstr(line, e->match)) return e;
    return nullptr;
}

SimCmdTable *build_GlobalTriggerCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("trigger");
    SimCmdTable *set = Init_SimCmdTable("globaltriggerset");
    SimCmdTable *set_assoc_table = Init_SimCmdTable("globaltriggersetassoc");
    for (const char *name : GLOBAL_NAMES)
        add_sim_obj_method(set_assoc_table, name, GlobalTriggerSetAssocCmd, "GlobalTriggerSetAssocCmd", (void *)name, 1,
                           0, "{procedure-name}");
    connect_subtable(set, "assoc", set_assoc_table, 0, nullptr);
    connect_subtable(table, "set", set, 0, nullptr);
    SimCmdTable *clear = Init_SimCmdTable("globaltriggerclear");
    add_simcommand(clear, "assoc", GlobalTriggerClearAssocCmd, "GlobalTriggerClearAssocCmd", 1, 0, "{event-name}");
    connect_subtable(table, "clear", clear, 0, nullptr);
    SimCmdTable *display = Init_SimCmdTable("globaltriggerdisplay");
    SimCmdTable *display_assoc_table = Init_SimCmdTable("globaltriggerdisplayassoc");
    add_simcommand(display_assoc_table, "list", GlobalTriggerDisplayAssocListCmd, "GlobalTriggerDisplayAssocListCmd",
                   0, 0, nullptr);
    add_simcommand(display_assoc_table, "avail", GlobalTriggerDisplayAssocAvailCmd,
                   "GlobalTriggerDisplayAssocAvailCmd", 0, 0, nullptr);
    connect_subtable(display, "assoc", display_assoc_table, 0, nullptr);
    connect_subtable(table, "display", display, 0, nullptr);
    return table;
}

SimCmdTable *build_triggerCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("trigger");

    SimCmdTable *set = Init_SimCmdTable("triggerset");
    SimCmdTable *set_assoc_table = Init_SimCmdTable("globaltriggersetassoc");
    for (const char *name : MACHINE_NAMES)
        add_sim_obj_method(set_assoc_table, name, TriggerSetAssocCmd, "TriggerSetAssocCmd", (void *)name, 1, 0,
                           "{procedure-name}");
    connect_subtable(set, "assoc", set_assoc_table, 0, nullptr);
    add_simcommand(set, "console", TriggerSetConsoleCmd, "TriggerSetConsoleCmd", 2, 0,
                   "{console-string} {procedure-name}");
    add_simcommand(set, "pid", TriggerTrackPIDCmd, "TriggerTrackPIDCmd", 2, 0, "{pid} {procedure-name}");
    add_simcommand(set, "pc", TriggerSetPcCmd, "TriggerSetPcCmd", 2, 0, "{address} {procedure-name}");
    add_simcommand(set, "real_pc", TriggerSetRealPCCmd, "TriggerSetRealPCCmd", 2, 0, "{address} {procedure-name}");
    add_simcommand(set, "cycle", TriggerSetCycleCmd, "TriggerSetCycleCmd", 2, 0, "{cycles} {procedure-name}");
    add_simcommand(set, "syscall", TriggerSetSyscallCmd, "TriggerSetSyscallCmd", 2, 0, "{sc} {procedure-name}");
    SimCmdTable *set_memory = Init_SimCmdTable("triggersetmemory");
    SimCmdTable *set_memory_system = Init_SimCmdTable("triggersetmemorysystem");
    const char *set_usage = "{start-addr} {end-addr} {pre-translate:0|1} {procedure-name}";
    add_sim_obj_method(set_memory_system, "r", TriggerSetMemorySystemCmd, "TriggerSetMemorySystemReadCmd",
                       (void *)(uintptr_t)1, 4, 0, set_usage);
    add_sim_obj_method(set_memory_system, "w", TriggerSetMemorySystemCmd, "TriggerSetMemorySystemWriteCmd",
                       (void *)(uintptr_t)2, 4, 0, set_usage);
    add_sim_obj_method(set_memory_system, "rw", TriggerSetMemorySystemCmd, "TriggerSetMemorySystemRWCmd",
                       (void *)(uintptr_t)3, 4, 0, set_usage);
    connect_subtable(set_memory, "system", set_memory_system, 0, nullptr);
    connect_subtable(set, "memory", set_memory, 0, nullptr);
    connect_subtable(table, "set", set, 0, nullptr);

    SimCmdTable *clear = Init_SimCmdTable("triggerclear");
    add_simcommand(clear, "assoc", TriggerClearAssocCmd, "TriggerClearAssocCmd", 1, 0, "{event-name}");
    add_simcommand(clear, "console", TriggerClearConsoleCmd, "TriggerClearConsoleCmd", 1, 0, "{console-string}");
    add_simcommand(clear, "pid", TriggerClearPIDTrackCmd, "TriggerClearPIDTrackCmd", 1, 0, "{pid}");
    add_simcommand(clear, "pc", TriggerClearPcCmd, "TriggerClearPcCmd", 1, 0, "{address}");
    add_simcommand(clear, "real_pc", TriggerClearRealPCCmd, "TriggerClearRealPCCmd", 1, 0, "{address}");
    add_simcommand(clear, "cycle", TriggerClearCycleCmd, "TriggerClearCycleCmd", 1, 0, "{cycle}");
    add_simcommand(clear, "syscall", TriggerClearSyscallCmd, "TriggerClearSyscallCmd", 1, 0, "{sc}");
    SimCmdTable *clear_memory = Init_SimCmdTable("triggerclearmemory");
    SimCmdTable *clear_memory_system = Init_SimCmdTable("triggerclearmemorysystem");
    const char *clear_usage = "{start-addr} {end-addr} ";
    add_sim_obj_method(clear_memory_system, "r", TriggerClearMemorySystemCmd, "TriggerClearMemorySystemReadCmd",
                       (void *)(uintptr_t)1, 2, 0, clear_usage);
    add_sim_obj_method(clear_memory_system, "w", TriggerClearMemorySystemCmd, "TriggerClearMemorySystemWriteCmd",
                       (void *)(uintptr_t)2, 2, 0, clear_usage);
    add_sim_obj_method(clear_memory_system, "rw", TriggerClearMemorySystemCmd, "TriggerClearMemorySystemRWCmd",
                       (void *)(uintptr_t)3, 2, 0, clear_usage);
    connect_subtable(clear_memory, "system", clear_memory_system, 0, nullptr);
    connect_subtable(clear, "memory", clear_memory, 0, nullptr);
    connect_subtable(table, "clear", clear, 0, nullptr);

    SimCmdTable *display = Init_SimCmdTable("triggerdisplay");
    SimCmdTable *display_assoc_table = Init_SimCmdTable("triggerdisplayassoc");
    add_simcommand(display_assoc_table, "list", TriggerDisplayAssocListCmd, "TriggerDisplayAssocListCmd", 0, 0,
                   nullptr);
    add_simcommand(display_assoc_table, "avail", TriggerDisplayAssocAvailCmd, "TriggerDisplayAssocAvailCmd", 0, 0,
                   nullptr);
    add_simcommand(display_assoc_table, "proc", TriggerDisplayAssocProcCmd, "TriggerDisplayAssocProcCmd", 1, 0,
                   "{event-name}");
    connect_subtable(display, "assoc", display_assoc_table, 0, nullptr);
    SimCmdTable *display_console = Init_SimCmdTable("triggerdisplayconsole");
    add_simcommand(display_console, "list", TriggerDisplayConsoleListCmd, "TriggerDisplayConsoleListCmd", 0, 0,
                   nullptr);
    connect_subtable(display, "console", display_console, 0, nullptr);
    SimCmdTable *display_pid = Init_SimCmdTable("triggerdisplaypid");
    add_simcommand(display_pid, "list", TriggerDisplayPIDTrackListCmd, "TriggerDisplayPIDTrackListCmd", 0, 0,
                   nullptr);
    add_simcommand(display_pid, "pid", TriggerDisplayPIDTrackCmd, "TriggerDisplayPIDTrackCmd", 1, 0, "{pid}");
    connect_subtable(display, "pid", display_pid, 0, nullptr);
    SimCmdTable *display_pc = Init_SimCmdTable("triggerdisplaypc");
    add_simcommand(display_pc, "list", TriggerDisplayPcListCmd, "TriggerDisplayPcListCmd", 0, 0, nullptr);
    add_simcommand(display_pc, "addr", TriggerDisplayPcAddrCmd, "TriggerDisplayPcAddrCmd", 1, 0, "{address}");
    connect_subtable(display, "pc", display_pc, 0, nullptr);
    SimCmdTable *display_real_pc = Init_SimCmdTable("triggerdisplayrealpc");
    add_simcommand(display_real_pc, "list", TriggerDisplayRealPCListCmd, "TriggerDisplayRealPCListCmd", 0, 0,
                   nullptr);
    add_simcommand(display_real_pc, "addr", TriggerDisplayRealPCAddrCmd, "TriggerDisplayRealPCAddrCmd", 1, 0,
                   "{address}");
    connect_subtable(display, "real_pc", display_real_pc, 0, nullptr);
    SimCmdTable *display_cycle = Init_SimCmdTable("triggerdisplaycycle");
    add_simcommand(display_cycle, "list", TriggerDisplayCycleListCmd, "TriggerDisplayCycleListCmd", 0, 0, nullptr);
    add_simcommand(display_cycle, "cycle", TriggerDisplayCycleCmd, "TriggerDisplayCycleCmd", 1, 0, "{cycle}");
    connect_subtable(display, "cycle", display_cycle, 0, nullptr);
    SimCmdTable *display_memory = Init_SimCmdTable("triggerdisplaymemory");
    add_simcommand(display_memory, "system", TriggerDisplayMemorySystemListCmd, "TriggerDisplayMemorySystemListCmd",
                   1, 0, "{list}");
    connect_subtable(display, "memory", display_memory, 0, nullptr);
    SimCmdTable *display_syscall = Init_SimCmdTable("triggerdisplaysyscall");
    add_simcommand(display_syscall, "list", TriggerDisplaySyscallListCmd, "TriggerDisplaySyscallListCmd", 0, 0,
                   nullptr);
    add_simcommand(display_syscall, "sc", TriggerDisplaySyscallCmd, "TriggerDisplaySyscallCmd", 1, 0, "{sc}");
    connect_subtable(display, "syscall", display_syscall, 0, nullptr);
    connect_subtable(table, "display", display, 0, nullptr);
    return table;
}
