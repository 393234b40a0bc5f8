// STAND-IN: machine creation and teardown are not built yet. A machine is a bare record (name,
// configuration copy, device manager, top command table) on Quarn_Machine_List: enough for the
// commands that define, list and quit machines. The machine's chips, processors, memory, clock
// and event kernel come with machine creation, which replaces this file.
#include <tcl.h>

#include <cstring>

#include "command/cmd_table.h"
#include "command/simtop_standin.h"
#include "command/tcl_output.h"
#include "machine/generic_machine.h"
#include "processor/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"
#include "runtime/stop.h"

GenericMachine *Quarn_Machine_List = nullptr;

GenericMachine *GenericMachine_Create(const char *name, PropertyList *list)
{
    if (!name) return nullptr;
    if (currentMachine) sim_panic("The cycle mode doesn't support multiple current machines.");
    GenericMachine *machine = QUARN_ZALLOC(1, GenericMachine);
    if (!machine) {
        sim_error("Unable to allocate Generic Machine");
        return nullptr;
    }
    machine->name = REMEMBER_STRING(name);
    machine->property_list = list;
    machine->next = Quarn_Machine_List;
    Quarn_Machine_List = machine;
    currentMachine = machine;
    BaseObject__New(machine->name, OBJECT_KIND_MACHINE, machine);
    machine->command_table = build_simtopCmd_table(machine->name);
    machine->device_manager = DeviceMgr__New(machine->name);
    machine->processor_major = -1;
    machine->thread_major = -1;
    PropertyList__Set_Immutable(list);
    return machine;
}

void Machine_Quit(GenericMachine *machine)
{
    if (!machine) return;
    Stop_The_Simulation(STOP_USER_TCL);
    PropertyList__Delete(machine->property_list);
    machine->property_list = nullptr;
    GenericMachine_Quit(machine);
}

void GenericMachine_Quit(GenericMachine *machine)
{
    if (!machine) return;
    DeviceMgr__Quit(machine->device_manager);
    Set_Time_Machine(nullptr);
    if (quarn_common.interpreter) Tcl_DeleteCommand(quarn_common.interpreter, machine->name);
    Quit_SimCmdTable(machine->command_table);
    for (GenericMachine **link = &Quarn_Machine_List; *link; link = &(*link)->next) {
        if (*link == machine) {
            *link = machine->next;
            break;
        }
    }
    if (currentMachine == machine) currentMachine = nullptr;
    int32_t id = BaseObject__Find_Object(OBJECT_KIND_MACHINE, machine);
    if (id >= 0) BaseObject__Delete(id);
    FORGET_STRING(machine->name);
    QUARN_FREE(machine);
}

GenericMachine *Find_Machine_By_Name(const char *name)
{
    if (!name) return nullptr;
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next)
        if (strcmp(machine->name, name) == 0) return machine;
    return nullptr;
}

void List_All_Machines(Tcl_Interp *interpreter)
{
    if (!Quarn_Machine_List) return;
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next)
        SIM_TCLPRINT(interpreter, machine->next ? "%s " : "%s\n", machine->name);
}
