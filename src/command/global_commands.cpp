// The global commands: registration, the top-level command procedures, and the "sim", "simstop",
// "version", "debug" and "callbacks" tables.
#include "command/global_commands.h"

#include <strings.h>
#include <tcl.h>

#include <cstring>
#include <initializer_list>

#include "command/alias_commands.h"
#include "command/cmd_table.h"
#include "command/config_commands.h"
#include "command/plist_listing.h"
#include "command/settings_commands.h"
#include "command/trigger_commands.h"
#include "machine/machine_lifecycle.h"
#include "processor/hooks/emat_zap.h"
#include "runtime/callbacks.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/stop.h"
#include "runtime/tcl_output.h"
#include "runtime/utils.h"
#include "runtime/version.h"

SimCmdTable *simCmd_table = nullptr;
SimCmdTable *defineCmd_table = nullptr;
SimCmdTable *debugCmd_table = nullptr;
SimCmdTable *triggerCmd_table = nullptr;
SimCmdTable *simstopCmd_table = nullptr;
SimCmdTable *versionCmd_table = nullptr;
SimCmdTable *modifyCmd_table = nullptr;
SimCmdTable *displayCmd_table = nullptr;
SimCmdTable *aliasCmd_table = nullptr;

namespace
{

// The feature switches of this build: the system type, the processor type, the processor
// features ("CONFIG_") and the machine features ("MCONFIG_").
constexpr const char *feature_names[] = {
    "LINUX_X86_64",    "ERVIK",
    "CONFIG_DFP",      "CONFIG_DFP_EMULATION_INSTRUCTIONS",
    "CONFIG_DFP_QUAD", "CONFIG_FP",
    "CONFIG_HTM",      "CONFIG_SMT",
    "CONFIG_VMX",      "CONFIG_VSX",
    "MCONFIG_MYRRIN",  "MCONFIG_NVRAM",
    "MCONFIG_RTAS",    "MCONFIG_SIM_SUPPORT",
};

// The names joined with ", ", a line break before a name that would reach the width.
void print_feature_names(Tcl_Interp *interpreter, int width)
{
    int column = 0;
    bool first = true;
    for (const char *name : feature_names) {
        if (!first) {
            SIM_TCLPRINT(interpreter, ", ");
            column += 2;
        }
        first = false;
        int length = (int)strlen(name);
        if (column + length + 1 >= width) {
            SIM_TCLPRINT(interpreter, "\n");
            column = 0;
        }
        SIM_TCLPRINT(interpreter, "%s", name);
        column += length;
    }
    SIM_TCLPRINT(interpreter, "\n");
}

int dispatch(SimCmdTable *table, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    char **words = const_cast<char **>(argv); // the dispatcher never writes to the words it is given
    SimCmdContext context;
    Init_SimCmdContext(&context, argc, words);
    int rc = Select_SimCmdTable(table, context.count, context.vector, nullptr, interpreter, argc, words);
    return rc == 0 ? TCL_OK : TCL_ERROR;
}

// ---- "sim" ----

int sim_display_machines_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "** This command is no longer available; use 'display machines'\n");
    List_All_Machines(interpreter);
    return 0;
}

int sim_display_configures_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "** This command is no longer available; use 'display configures'\n");
    List_All_Property_Lists(interpreter);
    return 0;
}

// ---- "simstop" ----

int SimStopStatus_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", SimStopText());
    return 0;
}

int SimStop_stop_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    Stop_The_Simulation(STOP_USER_TCL);
    SIM_TCLPRINT(interpreter, "simulation stopped (USER)");
    return 0;
}

// ---- "version" ----

int versionlistCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", get_quarn_version());
    return 0;
}

int configdisplayCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    print_feature_names(interpreter, 80);
    return 0;
}

int configlistCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    print_feature_names(interpreter, 1);
    return 0;
}

int versionRepoCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", get_quarn_version_repo());
    return 0;
}

// ---- "debug" ----

int debugsetCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    int ok = 0;
    int level = (int)STRING2INT_rc(argv[2], &ok);
    EMAT_ZAP_("debugsetCmd", __FILE__, __LINE__);
    int category = search_debug_name(argv[1]);
    if (category != DEBUG_NAME_NOT_FOUND && category >= 0 && category < DEBUG_CATEGORY_COUNT) {
        set_debug_flag(category, level);
        const char *name = debug_name[category].name;
        SIM_TCLPRINT(interpreter, "%s = %d", name ? name : argv[1], level);
    } else if (strcasecmp(argv[1], "ALL") == 0) {
        set_all_debug_flags(level);
    }
    return 0;
}

int debugstatusCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    int category = search_debug_name(argv[1]);
    if (category == DEBUG_NAME_NOT_FOUND || category < 0 || category >= DEBUG_CATEGORY_COUNT) {
        SIM_TCLPRINT(interpreter, "error: debug name %s not found", argv[1]);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "%d\n", get_debug_flag(category));
    return 0;
}

int debuglistCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    for (int row = 0; row < n_debug_names; row++) {
        const DebugNameRow &entry = debug_name_table[row];
        if (!entry.name) continue;
        SIM_TCLPRINT(interpreter, "%s %d\n", entry.name, get_debug_flag(entry.category));
    }
    return 0;
}

// ---- "callbacks" ----

int CallbackListCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    bool first = true;
    for (int i = 1; i < CALLBACK_LIST_COUNT; i++) {
        if (!callBackFunctionLists[i].name) continue;
        SIM_TCLPRINT(interpreter, "%s\t%s", first ? "" : "\n", callBackFunctionLists[i].name);
        first = false;
    }
    return 0;
}

int CallbackClearCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    Callback_Clear(argv[1]);
    SIM_TCLPRINT(interpreter, "All callbacks for %s cleared", argv[1]);
    return 0;
}

int CallbackDisplayCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    Callback_List *list = Callback_Search_by_name(argv[1]);
    if (!list) {
        SIM_TCLPRINT(interpreter, "%s is not a callback list", argv[1]);
        return 1;
    }
    bool first = true;
    for (Callback_Function *f = list->head; f; f = f->next) {
        SIM_TCLPRINT(interpreter, "%s\t%s", first ? "" : "\n", f->name ? f->name : "");
        first = false;
    }
    return 0;
}

// ---- top-level command procedures ----

int help_Cmd(void *, Tcl_Interp *interpreter, int, const char *[])
{
    SIM_TCLPRINT(interpreter, "Available Commands\n");
    for (const char *line : {"alias ->", "define ->", "display ->", "helprecursive", "modify ->", "quit",
                             "simdebug ->", "simstop", "version ->"})
        SIM_TCLPRINT(interpreter, "\t%s\n", line);
    return TCL_OK;
}

int helprecursive_Cmd(void *, Tcl_Interp *interpreter, int, const char *[])
{
    struct Block {
        const char *name;
        SimCmdTable *table;
        const char *after; // a line that follows the block's separator
    };
    const Block blocks[] = {
        {"alias", aliasCmd_table, nullptr},
        {"define", defineCmd_table, nullptr},
        {"display", displayCmd_table, "helprecursive\n"},
        {"modify", modifyCmd_table, "quit\n"},
        {"simdebug", debugCmd_table, nullptr},
        {"simstop", simstopCmd_table, nullptr},
        {"version", versionCmd_table, nullptr},
    };
    SIM_TCLPRINT(interpreter, "Available Commands\n");
    const Block *previous = nullptr;
    for (const Block &block : blocks) {
        if (previous) SIM_TCLPRINT(interpreter, "\n%s", previous->after ? previous->after : "");
        SIM_TCLPRINT(interpreter, "%s ->\n", block.name);
        Print_SimCmdTree(interpreter, block.table);
        previous = &block;
    }
    return TCL_OK;
}

int reveal_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    return toplevelreveal_Cmd(nullptr, interpreter, argc, const_cast<char **>(argv)) == 0 ? TCL_OK
                                                                                          : TCL_ERROR;
}

int alias_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    return dispatch(aliasCmd_table, interpreter, argc, argv);
}

int modify_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    return dispatch(modifyCmd_table, interpreter, argc, argv);
}

int display_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    return dispatch(displayCmd_table, interpreter, argc, argv);
}

int quit_Cmd(void *, Tcl_Interp *, int, const char *[])
{
    Sim_Quit(0);
}

int brk_on_Cmd(void *, Tcl_Interp *, int, const char *[])
{
    Sim_Enable_Breakpoints(1);
    return TCL_OK;
}

int brk_off_Cmd(void *, Tcl_Interp *, int, const char *[])
{
    Sim_Enable_Breakpoints(0);
    return TCL_OK;
}

int mallocs_Cmd(void *, Tcl_Interp *, int, const char *[])
{
    return TCL_OK;
}

int define_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    RepeatCountFlush();
    return dispatch(defineCmd_table, interpreter, argc, argv);
}

int simdebug_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    return dispatch(debugCmd_table, interpreter, argc, argv);
}

int simstop_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    if (argc <= 1)
        return SimStop_stop_Cmd(nullptr, interpreter, argc, const_cast<char **>(argv)) == 0 ? TCL_OK
                                                                                            : TCL_ERROR;
    return dispatch(simstopCmd_table, interpreter, argc, argv);
}

int version_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    return dispatch(versionCmd_table, interpreter, argc, argv);
}

int trigger_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    return dispatch(triggerCmd_table, interpreter, argc, argv);
}

} // namespace

int display_machines_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    List_All_Machines(interpreter);
    return 0;
}

int display_configures_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    List_All_Property_Lists(interpreter);
    return 0;
}

SimCmdTable *build_simCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("sim");
    add_simcommand(table, "list", sim_display_machines_Cmd, "sim_display_machines_Cmd", 0, 0, nullptr);
    add_simcommand(table, "machines", sim_display_machines_Cmd, "sim_display_machines_Cmd", 0, 0, nullptr);
    add_simcommand(table, "options", sim_display_configures_Cmd, "sim_display_configures_Cmd", 0, 0, nullptr);
    add_simcommand(table, "configures", sim_display_configures_Cmd, "sim_display_configures_Cmd", 0, 0,
                   nullptr);
    return table;
}

SimCmdTable *build_simstopCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("simstop");
    add_simcommand(table, "status", SimStopStatus_Cmd, "SimStopStatus_Cmd", 0, 0, nullptr);
    add_simcommand(table, "stop", SimStop_stop_Cmd, "SimStop_stop_Cmd", 0, 0, nullptr);
    return table;
}

SimCmdTable *build_versionCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("version");
    add_simcommand(table, "list", versionlistCmd, "versionlistCmd", 0, 0, nullptr);
    add_simcommand(table, "display", configdisplayCmd, "configdisplayCmd", 0, 0, nullptr);
    add_simcommand(table, "flags", configlistCmd, "configlistCmd", 0, 0, nullptr);
    add_simcommand(table, "repo", versionRepoCmd, "versionRepoCmd", 0, HIDE_PUBLIC, nullptr);
    return table;
}

SimCmdTable *build_debugCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("debug");
    add_simcommand(table, "set", debugsetCmd, "debugsetCmd", 2, 0, "{name} {value}");
    add_simcommand(table, "status", debugstatusCmd, "debugstatusCmd", 1, 0, "{name}");
    add_simcommand(table, "list", debuglistCmd, "debuglistCmd", 0, 0, nullptr);
    return table;
}

SimCmdTable *build_CallbackCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("callbacks");
    add_simcommand(table, "list", CallbackListCmd, "CallbackListCmd", 0, 0, nullptr);
    add_simcommand(table, "clear", CallbackClearCmd, "CallbackClearCmd", 1, 0, "{callback-name}");
    add_simcommand(table, "display", CallbackDisplayCmd, "CallbackDisplayCmd", 1, 0, "{callback-name}");
    return table;
}

void AddSimCommands(Tcl_Interp *interpreter)
{
    simCmd_table = build_simCmd_table();
    defineCmd_table = build_defineCmd_table();
    debugCmd_table = build_debugCmd_table();
    triggerCmd_table = build_GlobalTriggerCmd_table();
    simstopCmd_table = build_simstopCmd_table();
    versionCmd_table = build_versionCmd_table();
    modifyCmd_table = build_modifyCmd_table();
    displayCmd_table = build_displayCmd_table();
    aliasCmd_table = build_aliasCmd_table();
    if (!interpreter) return;

    struct Registration {
        const char *name;
        Tcl_CmdProc *procedure;
    };
    const Registration commands[] = {
        {"help", help_Cmd},         {"helprecursive", helprecursive_Cmd},
        {"reveal", reveal_Cmd},     {"alias", alias_Cmd},
        {"modify", modify_Cmd},     {"display", display_Cmd},
        {"quit", quit_Cmd},         {"q", quit_Cmd},
        {"brk_on", brk_on_Cmd},     {"brk_off", brk_off_Cmd},
        {"mallocs", mallocs_Cmd},   {"define", define_Cmd},
        {"simdebug", simdebug_Cmd}, {"simstop", simstop_Cmd},
        {"version", version_Cmd},   {"trigger", trigger_Cmd},
    };
    for (const Registration &command : commands)
        Tcl_CreateCommand(interpreter, command.name, command.procedure, nullptr, nullptr);
}

extern "C" int Sim_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    return dispatch(simCmd_table, interpreter, argc, argv);
}
