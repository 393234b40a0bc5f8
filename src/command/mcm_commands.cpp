// Chip commands.
#include "command/mcm_commands.h"

#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/machine_vocabulary.h"
#include "command/selector.h"
#include "command/simtop.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/tcl_output.h"

namespace
{

enum class ListKind { TCL, ALL, RUNNING, STALLED };

// Visits the machine's threads in index order, at chip level only the selected chip's.
int print_threads(Selector *selector, Tcl_Interp *interpreter, ListKind kind)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    MCM *chip = what_selector_level(selector) == 1 ? select_mcm(selector) : nullptr;
    int32_t count = GenericMachine__ThreadCount(machine);
    for (int32_t i = 0; i < count; i++) {
        ThreadState *thread = GenericMachine__Thread(machine, i);
        if (!thread) continue;
        if (chip && thread->mcm != chip) continue;
        uint32_t state = thread->x_threadState;
        switch (kind) {
        case ListKind::TCL:
            SIM_TCLPRINT(interpreter, "{ name ppc number %s state %s } ", thread->name,
                         state == CPU_RUNNING ? "on" : state == CPU_STALLED ? "stalled" : "off");
            break;
        case ListKind::ALL:
            SIM_TCLPRINT(interpreter, " PPC%s ", thread->name);
            break;
        case ListKind::RUNNING:
            if (state == CPU_RUNNING) SIM_TCLPRINT(interpreter, " PPC%s ", thread->name);
            break;
        case ListKind::STALLED:
            if (state == CPU_STALLED) SIM_TCLPRINT(interpreter, " PPC%s ", thread->name);
            break;
        }
    }
    return 0;
}

} // namespace

int Display_tcl_cpulist(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    return print_threads(selector, interpreter, ListKind::TCL);
}

int Display_cpulist(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    return print_threads(selector, interpreter, ListKind::ALL);
}

int Display_runlist(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    return print_threads(selector, interpreter, ListKind::RUNNING);
}

int Display_waitlist(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    return print_threads(selector, interpreter, ListKind::STALLED);
}

SimCmdTable *build_mcm_DisplayCmd_table_limited(void *data)
{
    SimCmdTable *table = Init_SimCmdTable("mcm_display");
    add_simcommand(table, "tcl_cpulist", Display_tcl_cpulist, "Display_tcl_cpulist", 0, 0, nullptr);
    add_simcommand(table, "cpulist", Display_cpulist, "Display_cpulist", 0, 0, nullptr);
    add_simcommand(table, "memory_size", display_memsizeCmd, "display_memsizeCmd", 0, 0, nullptr);
    add_simcommand(table, "runlist", Display_runlist, "Display_runlist", 0, 0, nullptr);
    add_simcommand(table, "waitlist", Display_waitlist, "Display_waitlist", 0, 0, nullptr);
    Add_CPU_Display_Cmds_limited(table, data);
    return table;
}

void Add_MCM_Cmds(SimCmdTable *table, void *data)
{
    add_simtable(table, "console", nullptr, "build_consoleConfigCmd_table", build_consoleConfigCmd_table, data, 0,
                 nullptr);
    add_simtable(table, "trigger", nullptr, "build_triggerCmd_table", build_triggerCmd_table, data, 4, nullptr);
    add_simtable(table, "of", nullptr, "build_of_cmd_table", build_of_cmd_table, data, 0, nullptr);
    Add_CPU_Cmds(table, data);
    add_simtable(table, "bogus", nullptr, "build_bogusCmd_table", build_bogusCmd_table, data, 0, nullptr);
    add_simtable(table, "bogushalt", nullptr, "build_bogushaltCmd_table", build_bogushaltCmd_table, data, 0, nullptr);
}

SimCmdTable *build_mcm_Cmd_table(void *data)
{
    SimCmdTable *table = Init_SimCmdTable("mcm");
    add_simtable(table, "display", nullptr, "build_mcm_DisplayCmd_table_limited", build_mcm_DisplayCmd_table_limited,
                 data, 0, nullptr);
    Add_MCM_Cmds(table, data);
    return table;
}
