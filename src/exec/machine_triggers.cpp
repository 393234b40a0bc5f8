// A machine's trigger table through its life: made with the machine, given the machine's event
// names, released with all its triggers when the machine quits.
#include "exec/machine_triggers.h"

#include "exec/memory_triggers.h"
#include "exec/pc_triggers.h"
#include "processor/hooks/machine_trigger_table.h"
#include "processor/records/generic_machine.h"
#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/triggers.h"

namespace
{

// The machine table's names, in the order they are registered.
constexpr const char *MACHINE_ASSOC_NAMES[] = {"ATTN",         "BRANCH_SELF", "CALLTHRU",   "NOOP",        "OBJECT_LOAD",
                                               "PTE_LOAD",     "QUIT_MACHINE", "THREAD_RUN", "THREAD_STALL"};

} // namespace

TriggerTable *Triggers_Init(void)
{
    return QUARN_ZALLOC(1, TriggerTable);
}

void Assoc_Trigger_Init(GenericMachine *machine)
{
    if (!machine || !machine->trigger_table) return;
    for (const char *name : MACHINE_ASSOC_NAMES) Assoc_Trigger_Register(machine->trigger_table, name);
}

void Triggers_Quit(GenericMachine *machine)
{
    if (!machine) return;
    if (machine->name) Callback_Clear_function(machine->name);
    TriggerTable *table = machine->trigger_table;
    if (!table) return;
    Assoc_Trigger_Free_All(table);
    Trigger_Classes_Free(table);
    Trigger_Memory__Free_All(table);
    machine->trigger_table = nullptr;
    QUARN_FREE(table);
}

TriggerTable *Machine_Trigger_Table(GenericMachine *machine)
{
    return machine ? machine->trigger_table : nullptr;
}
