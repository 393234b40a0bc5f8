// Machine fields read by the register code.
#include "processor/machine_access.h"

MachineRegisterStandin machine_register_standin = {};

// STAND-IN: reads the machine's property list once the machine record has one.
PropertyList *MachineAccess_PropertyList(GenericMachine *)
{
    return machine_register_standin.property_list;
}

// STAND-IN: reads the machine's transactional-memory block once the machine record has one.
htm_data *MachineAccess_HTM(GenericMachine *)
{
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

// STAND-IN: looks thread 0 up in the machine's device manager once machines have one.
ThreadState *MachineAccess_FirstThread(GenericMachine *)
{
    return machine_register_standin.first_thread;
}
