// Machine fields read by the register code.
#include "processor/records/machine_access.h"

#include "processor/records/generic_machine.h"
#include "runtime/device_manager.h"

MachineRegisterStandin machine_register_standin = {};

PropertyList *MachineAccess_PropertyList(GenericMachine *machine)
{
    return machine ? machine->property_list : nullptr;
}

htm_data *MachineAccess_HTM(GenericMachine *machine)
{
    // A machine's own block first; the stand-in block serves machines made without one.
    if (machine && machine->htm) return machine->htm;
    return machine_register_standin.htm;
}

// STAND-IN: reads the machine's register file once the machine record has one.
Register_File *MachineAccess_RegisterFile(GenericMachine *)
{
    return machine_register_standin.register_file;
}

// STAND-IN: reads the machine's register descriptions once the machine record has them.
reg_desc_table *MachineAccess_RegisterDescriptions(GenericMachine *)
{
    return machine_register_standin.descriptions;
}

ThreadState *MachineAccess_FirstThread(GenericMachine *machine)
{
    if (!machine || !machine->device_manager) return nullptr;
    if (machine->thread_major < 0)
        machine->thread_major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Thread");
    if (machine->thread_major < 0) return nullptr;
    return (ThreadState *)DeviceMgr__GetDevice(machine->device_manager, machine->thread_major, 0);
}
