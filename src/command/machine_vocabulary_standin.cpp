// Stand-ins of the command sets that the machine's top table receives from other parts.
#include "command/cmd_table.h"
#include "command/machine_vocabulary.h"

// STAND-IN: the plug-in commands are not built yet; the table is empty.
SimCmdTable *build_plugin_table(void *)
{
    return Init_SimCmdTable("plugin");
}
