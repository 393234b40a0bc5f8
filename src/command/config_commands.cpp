// Configurations and machine definition.
#include "command/config_commands.h"

#include <tcl.h>

#include "command/cmd_table.h"
#include "command/global_commands.h"
#include "command/plist_listing.h"
#include "command/selector.h"
#include "machine/default_values.h"
#include "machine/machine_lifecycle.h"
#include "machine/processor_lifecycle.h"
#include "processor/prints/trace_text.h"
#include "processor/time/time_domain.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"
#include "runtime/triggers.h"

SimCmdTable *simtopPropertyListCmd_table = nullptr;

namespace
{

PropertyList *selected_list(Selector *selector)
{
    return select_PropertyList(selector);
}

int Config_PropertyList_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 3) {
        SIM_TCLPRINT(interpreter, "Please specify a property name and a value");
        return 1;
    }
    PropertyList__InsertPropertyValue(selected_list(selector), argc, argv);
    return 0;
}

int QueryPropertyList_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 2) {
        SIM_TCLPRINT(interpreter, "Please specify a name");
        return 1;
    }
    const char *value = PropertyList__GetString(selected_list(selector), SquashArgV(argc, argv));
    if (value) SIM_TCLPRINT(interpreter, "%s", value);
    return 0;
}

int ListPropertyList_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    TCL_Print_PropertyList(interpreter, selected_list(selector), argc > 1 ? argv[1] : nullptr);
    return 0;
}

int DisplayPropertyList_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    TCL_Print_PropertyList_Annotated(interpreter, selected_list(selector), argc > 1 ? argv[1] : nullptr);
    return 0;
}

int QuitPropertyList_Cmd(Selector *selector, Tcl_Interp *, int, char **)
{
    Quit_Property_List(selected_list(selector));
    return 0;
}

} // namespace

int CheckUniqueName(const char *name)
{
    if (Find_Machine_By_Name(name)) {
        sim_error("Name %s already in use as a machine", name);
        return 0;
    }
    if (Find_PropertyList_By_Name(name)) {
        sim_error("Name %s already in use as a property list", name);
        return 0;
    }
    Tcl_CmdInfo info;
    if (quarn_common.interpreter && Tcl_GetCommandInfo(quarn_common.interpreter, name, &info)) {
        sim_error("Name %s is a TCL command", name);
        return 0;
    }
    return 1;
}

PropertyList *Make_Property_List(Tcl_Interp *interpreter, const char *name)
{
    if (!name) return nullptr;
    if (!CheckUniqueName(name)) {
        SIM_TCLPRINT(interpreter, "new config name %s already in use", name);
        return nullptr;
    }
    PropertyList *list = PropertyList__New(name);
    if (list && interpreter) Tcl_CreateCommand(interpreter, name, PropertyList_Cmd, nullptr, nullptr);
    return list;
}

PropertyList *Dup_Property_List(Tcl_Interp *interpreter, PropertyList *list, const char *name)
{
    PropertyList *copy = Make_Property_List(interpreter, name);
    if (copy) PropertyList__Copy(copy, list);
    return copy;
}

void AttachMachineToTCL(Tcl_Interp *interpreter, const char *name, GenericMachine *machine)
{
    if (interpreter) Tcl_CreateCommand(interpreter, name, SimTop_Cmd, nullptr, nullptr);
    Set_Time_Machine(machine);
}

void PropertyList__Copy(PropertyList *destination, PropertyList *source)
{
    if (!destination || !source) return;
    for (ConfigEntry *entry = source->entries; entry; entry = entry->next) {
        ConfigEntry *copy =
            PropertyList__UpdatePropertyValue(destination, entry->key, entry->value, entry->description, 1);
        if (copy) copy->visible = entry->visible;
    }
}

ConfigEntry *PropertyList__InsertPropertyValue(PropertyList *list, int count, char **words)
{
    if (!list || count < 2) return nullptr;
    return PropertyList__UpdatePropertyValue(list, SquashArgV(count - 1, words), words[count - 1], nullptr,
                                             1);
}

int SimConfig_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    PropertyList *list = Make_Property_List(interpreter, argv[1]);
    if (!list) return 1;
    base_Add_Default_Values(list, "");
    SIM_TCLPRINT(interpreter, "%s", argv[1]);
    return 0;
}

int SimDupConfig_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    PropertyList *source = Find_PropertyList_By_Name(argv[1]);
    if (!source) {
        SIM_TCLPRINT(interpreter, "property list %s does not exist", argv[1]);
        return 1;
    }
    if (!Dup_Property_List(interpreter, source, argv[2])) return 1;
    SIM_TCLPRINT(interpreter, "%s", argv[2]);
    return 0;
}

int CreateMachine_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    const char *config_name = argv[1], *machine_name = argv[2];
    PropertyList *config = Find_PropertyList_By_Name(config_name);
    if (!config) {
        SIM_TCLPRINT(interpreter, "property list %s does not exist", config_name);
        return 1;
    }
    if (!CheckUniqueName(machine_name)) {
        SIM_TCLPRINT(interpreter, "machine name %s already in use", machine_name);
        return 1;
    }
    PropertyList *list = PropertyList__New(machine_name);
    if (!list) return 1;
    PropertyList__Copy(list, config);
    GenericMachine *machine = GenericMachine_Create(machine_name, list);
    if (!machine) {
        // The copy would keep the name taken for the rest of the process.
        PropertyList__Delete(list);
        SIM_TCLPRINT(interpreter, "Failed to create %s", machine_name);
        return 1;
    }
    AttachMachineToTCL(interpreter, machine_name, machine);
    Assoc_Trigger_Fire(quarn_common.trigger_table, "NEW_MACHINE", "{ machine %s }", machine_name);
    SIM_TCLPRINT(interpreter, "%s", machine_name);
    return 0;
}

int CreateCPU_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    PropertyList *config = Find_PropertyList_By_Name(argv[1]);
    if (!config) {
        SIM_TCLPRINT(interpreter, "property list %s does not exist", argv[1]);
        return 1;
    }
    if (!CheckUniqueName(argv[2])) {
        SIM_TCLPRINT(interpreter, "processor name %s already in use", argv[2]);
        return 1;
    }
    if (!Processor_Create(config, argv[2])) {
        SIM_TCLPRINT(interpreter, "Failed to create %s", argv[2]);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "%s", argv[2]);
    return 0;
}

SimCmdTable *build_defineCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("define");
    add_simcommand(table, "list", display_machines_Cmd, "display_machines_Cmd", 0, 0, nullptr);
    add_simcommand(table, "config", SimConfig_Cmd, "SimConfig_Cmd", 1, 0, "{config-name}");
    add_simcommand(table, "machine", CreateMachine_Cmd, "CreateMachine_Cmd", 2, 0,
                   "{config-name} {machine-name}");
    add_simcommand(table, "cpu", CreateCPU_Cmd, "CreateCPU_Cmd", 2, 0, "{config-name} {cpu-name}");
    add_simcommand(table, "dup", SimDupConfig_Cmd, "SimDupConfig_Cmd", 2, 0,
                   "{existing-config-name} {new-config-name}");
    return table;
}

SimCmdTable *build_simPropertyListCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("property list");
    add_simcommand(table, "config", Config_PropertyList_Cmd, "Config_PropertyList_Cmd", -1, 0,
                   "{config options}");
    add_simcommand(table, "list", ListPropertyList_Cmd, "ListPropertyList_Cmd", -1, 0, "{match}");
    add_simcommand(table, "display", DisplayPropertyList_Cmd, "DisplayPropertyList_Cmd", -1, 0, "{match}");
    add_simcommand(table, "query", QueryPropertyList_Cmd, "QueryPropertyList_Cmd", -1, 0,
                   "{full property name}");
    add_simcommand(table, "quit", QuitPropertyList_Cmd, "QuitPropertyList_Cmd", 0, 0, nullptr);
    add_simcommand(table, "exit", QuitPropertyList_Cmd, "QuitPropertyList_Cmd", 0, 0, nullptr);
    return table;
}

int PropertyList_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    RepeatCountFlush();
    PropertyList *list = Find_PropertyList_By_Name(argv[0]);
    if (!list) {
        SIM_TCLPRINT(interpreter, "No known property list named: %s", argv[0]);
        return TCL_ERROR;
    }
    Selector selector;
    Initialize_Selector(&selector);
    Define_Selected_PropertyList(&selector, list);
    char **words = const_cast<char **>(argv);
    SimCmdContext context;
    Init_SimCmdContext(&context, argc, words);
    int rc = Select_SimCmdTable(simtopPropertyListCmd_table, context.count, context.vector, &selector,
                                interpreter, argc, words);
    return rc == 0 ? TCL_OK : TCL_ERROR;
}

int SimTop_Cmd(void *, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    RepeatCountFlush();
    GenericMachine *machine = Find_Machine_By_Name(argv[0]);
    if (!machine) {
        SIM_TCLPRINT(interpreter, "No known machine named: %s", argv[0]);
        return TCL_ERROR;
    }
    Selector selector;
    Initialize_Selector(&selector);
    Define_Selected_Machine(&selector, machine);
    char **words = const_cast<char **>(argv);
    SimCmdContext context;
    Init_SimCmdContext(&context, argc, words);
    int rc = Select_SimCmdTable(machine->command_table, context.count, context.vector, &selector, interpreter,
                                argc, words);
    return rc == 0 ? TCL_OK : TCL_ERROR;
}
