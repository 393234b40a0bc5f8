// Associative triggers: the firing step.
#include "runtime/triggers.h"

#include "runtime/tcl_eval.h"

// STAND-IN: the trigger tables are not built yet; the global table stays null, so "SIM_START",
// "SIM_STOP" and "QUIT" never fire.
void Global_Assoc_Trigger_Init(void) {}

// STAND-IN: see Global_Assoc_Trigger_Init; there is no table to release.
void Global_Assoc_Trigger_Quit(void) {}

// STAND-IN: no trigger can be defined yet, so none is ever found. Defined weakly so that the
// trigger table replaces it.
__attribute__((weak)) Assoc_TriggerEntry *Assoc_Trigger_Search(TriggerTable *, const char *)
{
    return nullptr;
}

int Assoc_Trigger_Fire(TriggerTable *table, const char *name, const char *format, ...)
{
    if (!table || table->assoc_count == 0) return 0;
    Assoc_TriggerEntry *entry = Assoc_Trigger_Search(table, name);
    if (!entry || !entry->active) return 0;
    va_list args;
    va_start(args, format);
    int code = vTriggers_TCL_Call(table, entry->command, format, args);
    va_end(args);
    return code == 0;
}
