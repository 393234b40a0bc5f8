#include "command/simtop_standin.h"

#include "command/cmd_table.h"
#include "command/selector.h"
#include "machine/generic_machine.h"

namespace
{

int Quit_Cmd(Selector *selector, Tcl_Interp *, int, char **)
{
    if (GenericMachine *machine = select_machine(selector)) Machine_Quit(machine);
    return 0;
}

} // namespace

// STAND-IN: the machine's run control, display table and the chip, processor and thread
// vocabularies are not built yet; the top table holds "quit"/"exit" and the path words only.
SimCmdTable *build_simtopCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("simtop");
    add_simcommand(table, "quit", Quit_Cmd, "Quit_Cmd", 0, 0, nullptr);
    add_simcommand(table, "exit", Quit_Cmd, "Quit_Cmd", 0, 0, nullptr);
    add_simtable(table, "mcm", PPC_McmCmd, "PPC_McmCmd", nullptr, nullptr, 0, "{mcm-number}");
    add_simtable(table, "cpu", PPC_CpuCmd, "PPC_CpuCmd", nullptr, nullptr, 0, "{cpu-number}");
    add_simtable(table, "ppc", PPC_CpuCmd, "PPC_CpuCmd", nullptr, nullptr, 4, "{ppc-number}");
    add_simtable(table, "thread", PPC_ThreadCmd, "PPC_ThreadCmd", nullptr, nullptr, 0, "{thread-number}");
    return table;
}
