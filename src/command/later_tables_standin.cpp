// Stand-ins of the tables whose commands are not built yet.
#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "runtime/tcl_output.h"

// STAND-IN: the utility commands are not built yet; the table "Util" is empty.
SimCmdTable *build_UtilCmd_table(void *)
{
    return Init_SimCmdTable("Util");
}

// STAND-IN: the OS-information commands are not built yet; the table is empty.
SimCmdTable *build_ppc_OSInfo_table(void *)
{
    return Init_SimCmdTable("ppc_os_info");
}

// STAND-IN: the process commands are not built yet; the table is empty.
SimCmdTable *build_ppc_ProcessTree_table(void *)
{
    return Init_SimCmdTable("PPC_ProcessTree");
}

// STAND-IN: the ERAT display is not built yet; the table is empty.
SimCmdTable *build_ERAT_table(void *)
{
    return Init_SimCmdTable("ERAT");
}

// STAND-IN: the TLB display is not built yet; the table is empty.
SimCmdTable *build_TLB_table(void *)
{
    return Init_SimCmdTable("TLB");
}

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

// STAND-IN: address translation from Tcl is not built yet; the command fails.
int UTIL_Thread_iTransCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    SIM_TCLPRINT(interpreter, "%s: not available", argv[0]);
    return 1;
}

// STAND-IN: see UTIL_Thread_iTransCmd.
int UTIL_Thread_dTransCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    SIM_TCLPRINT(interpreter, "%s: not available", argv[0]);
    return 1;
}
