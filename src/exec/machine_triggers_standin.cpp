#include "exec/machine_triggers.h"

#include "processor/records/generic_machine.h"
#include "runtime/alloc.h"
#include "runtime/triggers.h"

// STAND-IN: the trigger subsystem is not built yet; a machine's table is empty (no associative
// triggers, so none can fire).
TriggerTable *Triggers_Init(void)
{
    return QUARN_ZALLOC(1, TriggerTable);
}

// STAND-IN: see Triggers_Init; no trigger names are predefined.
void Assoc_Trigger_Init(GenericMachine *) {}

// STAND-IN: see Triggers_Init; only the empty table is freed.
void Triggers_Quit(GenericMachine *machine)
{
    if (!machine) return;
    QUARN_FREE(machine->trigger_table);
    machine->trigger_table = nullptr;
}
