// Stand-ins of the command sets that the machine's top table receives from other parts.
#include "command/cmd_table.h"
#include "command/load_commands.h"
#include "command/machine_vocabulary.h"
#include "command/selector.h"

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

// STAND-IN: the chip vocabulary (consoles, triggers, device tree, paravirtual devices) is not
// built yet; nothing is added.
void Add_MCM_Cmds(SimCmdTable *, void *) {}

// STAND-IN: the processor commands are not built yet; nothing is added.
void Add_CPU_Cmds(SimCmdTable *, void *) {}

// STAND-IN: of the thread vocabulary only the path words and the "load" table exist; memory,
// interrupt, util, translations, setargs, thread control, step and process come with the thread
// commands.
void Add_Thread_Cmds(SimCmdTable *table, void *argument)
{
    add_simtable(table, "load", nullptr, "build_load_Cmd_table", build_load_Cmd_table, argument, 0, nullptr);
    add_simtable(table, "mcm", PPC_McmCmd, "PPC_McmCmd", nullptr, nullptr, 0, "{mcm-number}");
    add_simtable(table, "cpu", PPC_CpuCmd, "PPC_CpuCmd", nullptr, nullptr, 0, "{cpu-number}");
    add_simtable(table, "ppc", PPC_CpuCmd, "PPC_CpuCmd", nullptr, nullptr, 4, "{ppc-number}");
    add_simtable(table, "thread", PPC_ThreadCmd, "PPC_ThreadCmd", nullptr, nullptr, 0, "{thread-number}");
    Callback_Add_Cmds(table);
}

// STAND-IN: the register display commands are not built yet; nothing is added.
void Add_CPU_Display_Cmds_limited(SimCmdTable *, void *) {}
