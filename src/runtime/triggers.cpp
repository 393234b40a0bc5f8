// Associative triggers: the name table of a trigger table, setting, clearing, walking and firing.
#include "runtime/triggers.h"

#include <tcl.h>

#include <cstdio>

#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/hooks/emat_zap.h"
#include "runtime/message.h"
#include "runtime/tcl_eval.h"

namespace
{

// The global table's names, in the order they are registered.
constexpr const char *GLOBAL_ASSOC_NAMES[] = {"FATAL_ERROR", "INTERNAL_ERROR", "NEW_MACHINE", "QUIT",
                                              "SIM_START",   "SIM_STOP",       "WARNING"};

Tcl_HashTable *names(TriggerTable *table)
{
    return table ? (Tcl_HashTable *)table->assoc_table : nullptr;
}

Assoc_TriggerEntry *lookup(TriggerTable *table, const char *name)
{
    Tcl_HashTable *hash = names(table);
    if (!hash || !name) return nullptr;
    Tcl_HashEntry *entry = Tcl_FindHashEntry(hash, name);
    return entry ? (Assoc_TriggerEntry *)Tcl_GetHashValue(entry) : nullptr;
}

// Copies a text into a fixed field, cut to the field and always terminated.
void copy_text(char (&field)[ASSOC_TRIGGER_TEXT_LEN], const char *text)
{
    snprintf(field, sizeof field, "%s", text ? text : "");
}

} // namespace

void Global_Assoc_Trigger_Init(void)
{
    if (quarn_common.trigger_table) return;
    TriggerTable *table = QUARN_ZALLOC(1, TriggerTable);
    if (!table) return;
    quarn_common.trigger_table = table;
    for (const char *name : GLOBAL_ASSOC_NAMES) Assoc_Trigger_Register(table, name);
}

void Global_Assoc_Trigger_Quit(void)
{
    TriggerTable *table = quarn_common.trigger_table;
    if (!table) return;
    quarn_common.trigger_table = nullptr;
    Assoc_Trigger_Free_All(table);
    QUARN_FREE(table);
}

int Assoc_Trigger_Define(TriggerTable *table, const char *name, const char *command)
{
    if (!table || !name) return 0;
    // Translated code tests some associative triggers when it is generated.
    EMAT_ZAP_("assoc_trigger_define", __FILE__, __LINE__);
    if (!command) command = "";
    Tcl_HashTable *hash = names(table);
    if (!hash) {
        hash = QUARN_ZALLOC(1, Tcl_HashTable);
        if (!hash) return 0;
        Tcl_InitHashTable(hash, TCL_STRING_KEYS);
        table->assoc_table = hash;
    }
    int created = 0;
    Tcl_HashEntry *hash_entry = Tcl_CreateHashEntry(hash, name, &created);
    Assoc_TriggerEntry *entry = nullptr;
    if (created) {
        entry = QUARN_ZALLOC(1, Assoc_TriggerEntry);
        if (!entry) {
            Tcl_DeleteHashEntry(hash_entry);
            sim_error("Internal Error: failed to allocate trigger hash entry");
            return 0;
        }
        copy_text(entry->name, name);
        Tcl_SetHashValue(hash_entry, entry);
    } else {
        entry = (Assoc_TriggerEntry *)Tcl_GetHashValue(hash_entry);
    }
    copy_text(entry->command, command);
    entry->active = entry->command[0] != '\0';
    return entry->active;
}

void Assoc_Trigger_Register(TriggerTable *table, const char *name)
{
    Assoc_Trigger_Define(table, name, "");
}

Assoc_TriggerEntry *Assoc_Trigger_Set(TriggerTable *table, const char *name, const char *command)
{
    Assoc_TriggerEntry *entry = lookup(table, name);
    if (!entry) return nullptr;
    Assoc_Trigger_Define(table, name, command);
    table->assoc_count++;
    return entry;
}

Assoc_TriggerEntry *Assoc_Trigger_Search(TriggerTable *table, const char *name)
{
    if (!table || table->assoc_count == 0) return nullptr;
    Assoc_TriggerEntry *entry = lookup(table, name);
    return entry && entry->active ? entry : nullptr;
}

const char *Assoc_Trigger_Clear(TriggerTable *table, const char *name)
{
    Assoc_TriggerEntry *entry = lookup(table, name);
    if (!entry || !entry->active) return nullptr;
    entry->active = 0;
    table->assoc_count--;
    return entry->command;
}

Tcl_HashEntry *Assoc_Trigger_First(TriggerTable *table, Tcl_HashSearch *search)
{
    Tcl_HashTable *hash = names(table);
    return hash && search ? Tcl_FirstHashEntry(hash, search) : nullptr;
}

Tcl_HashEntry *Assoc_Trigger_Next(TriggerTable *table, Tcl_HashSearch *search)
{
    return names(table) && search ? Tcl_NextHashEntry(search) : nullptr;
}

Assoc_TriggerEntry *Assoc_Trigger_Entry(Tcl_HashEntry *hash_entry)
{
    return hash_entry ? (Assoc_TriggerEntry *)Tcl_GetHashValue(hash_entry) : nullptr;
}

void Assoc_Trigger_Free_All(TriggerTable *table)
{
    Tcl_HashTable *hash = names(table);
    if (hash) {
        Tcl_HashSearch search;
        for (Tcl_HashEntry *e = Tcl_FirstHashEntry(hash, &search); e; e = Tcl_NextHashEntry(&search))
            QUARN_FREE(Tcl_GetHashValue(e));
        Tcl_DeleteHashTable(hash);
        QUARN_FREE(hash);
        table->assoc_table = nullptr;
    }
    if (table) table->assoc_count = 0;
}

int Assoc_Trigger_Fire(TriggerTable *table, const char *name, const char *format, ...)
{
    if (!table || table->assoc_count == 0) return 0;
    Assoc_TriggerEntry *entry = Assoc_Trigger_Search(table, name);
    if (!entry) return 0;
    va_list args;
    va_start(args, format);
    int code = vTriggers_TCL_Call(table, entry->command, format, args);
    va_end(args);
    return code == 0;
}
