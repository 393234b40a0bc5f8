// Stand-ins of the tables whose commands are not built yet.
#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "runtime/tcl_output.h"

// STAND-IN: the register and translation-cache trigger commands are not built yet; the table is
// empty.
SimCmdTable *build_ppc_triggerCmd_table(void *)
{
    return Init_SimCmdTable("ppc_trigger");
}

// STAND-IN: the console commands are not built yet; the table is empty.
SimCmdTable *build_consoleConfigCmd_table(void *)
{
    return Init_SimCmdTable("console");
}

// STAND-IN: the machine trigger commands are not built yet; the table is empty.
SimCmdTable *build_triggerCmd_table(void *)
{
    return Init_SimCmdTable("trigger");
}

// STAND-IN: the paravirtual device commands are not built yet; the table is empty.
SimCmdTable *build_bogusCmd_table(void *)
{
    return Init_SimCmdTable("bogus");
}

// STAND-IN: the halt commands are not built yet; the table is empty.
SimCmdTable *build_bogushaltCmd_table(void *)
{
    return Init_SimCmdTable("bogushalt");
}
