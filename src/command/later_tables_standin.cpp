// Stand-ins of the tables whose commands are not built yet.
#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "runtime/tcl_output.h"

// STAND-IN: the console commands are not built yet; the table is empty.
SimCmdTable *build_consoleConfigCmd_table(void *)
{
    return Init_SimCmdTable("console");
}
