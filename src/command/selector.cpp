// Selection context of commands.
#include "command/selector.h"

// STAND-IN: the selector record and its resolution (machine by name, chip, processor and
// thread indexes) come with the command tables; until then no selector names a machine.
GenericMachine *select_machine(Selector *)
{
    return nullptr;
}
