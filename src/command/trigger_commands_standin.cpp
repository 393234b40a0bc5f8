#include "command/trigger_commands_standin.h"

#include "command/cmd_table.h"

// STAND-IN: the trigger commands are not built yet; the global trigger table is empty.
SimCmdTable *build_GlobalTriggerCmd_table(void)
{
    return Init_SimCmdTable("trigger");
}
