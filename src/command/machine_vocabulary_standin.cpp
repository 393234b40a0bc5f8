// Stand-ins of the command sets that the machine's top table receives from other parts.
#include "command/cmd_table.h"
#include "command/machine_vocabulary.h"

// STAND-IN: the plug-in commands are not built yet; the table is empty.
SimCmdTable *build_plugin_table(void *)
{
    return Init_SimCmdTable("plugin");
}

// STAND-IN: the unit-creation commands are not built yet; each table is empty.
SimCmdTable *build_kepl_table(void *)
{
    return Init_SimCmdTable("kepl");
}

// STAND-IN: see build_kepl_table.
SimCmdTable *build_xscom_table(void *)
{
    return Init_SimCmdTable("xscom");
}

// STAND-IN: see build_kepl_table.
SimCmdTable *build_cop_table(void *)
{
    return Init_SimCmdTable("cop");
}

// STAND-IN: see build_kepl_table.
SimCmdTable *build_pbic_table(void *)
{
    return Init_SimCmdTable("pbic");
}
