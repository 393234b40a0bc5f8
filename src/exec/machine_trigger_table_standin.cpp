// Stand-in of the machine's trigger table.
#include "processor/hooks/machine_trigger_table.h"

#include "runtime/common.h"

// STAND-IN: the machine record holds no trigger table of its own yet; the machine's associative
// triggers are looked up in the global table until it does.
__attribute__((weak)) TriggerTable *Machine_Trigger_Table(GenericMachine *)
{
    return quarn_common.trigger_table;
}
