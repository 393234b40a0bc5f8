// The simulated machine record (GenericMachine), the machine-wide globals, the machine list and
// the few machine facts that message headers need.
#pragma once

#include <cstdint>

struct DeviceMgr;
struct MCM;
struct PropertyList;
struct SimCmdTable;
struct Tcl_Interp;

// STAND-IN: the bare machine record of the command language (name, configuration copy, device
// manager, chips, top command table); machine creation fills in the rest of the record.
struct GenericMachine {
    GenericMachine *next; // next machine of Quarn_Machine_List
    char *name;           // interned
    uint32_t num_mcms;    // number of chips (MCM records)

    PropertyList *property_list; // the machine's own frozen copy
    DeviceMgr *device_manager;
    int32_t processor_major; // cached class numbers of "Processor" and "Thread"; -1 until looked up
    int32_t thread_major;

    MCM **mcms; // num_mcms chips, chip 0 first

    SimCmdTable *command_table; // the machine's top command table
};

// The machine made current by the last creation; null while no machine exists.
extern GenericMachine *currentMachine;
// Standalone programs are run (no firmware, no RAM window, no NVRAM).
extern int standalone_mode;
// All machines, newest first.
extern GenericMachine *Quarn_Machine_List;

// STAND-IN: instructions executed by the machine's threads; 0 until the machine record exists.
uint64_t GenericMachine__InstructionCount(GenericMachine *machine);
// STAND-IN: number of devices of class "Processor" in the machine's device manager; 0 until
// machines own a device manager.
int32_t GenericMachine__ProcessorCount(GenericMachine *machine);

// Builds a machine from the configuration copy (made immutable) or gives null; a second machine
// while one is current is a fatal internal error.
GenericMachine *GenericMachine_Create(const char *name, PropertyList *list);
// Stops the simulation ("user (tcl)"), deletes the machine's configuration copy and tears the
// machine down with its Tcl command and top command table.
void Machine_Quit(GenericMachine *machine);
void GenericMachine_Quit(GenericMachine *machine);
// The machine of that name (case-sensitive), or null.
GenericMachine *Find_Machine_By_Name(const char *name);
// The machine names, newest first, separated by blanks and ended by "\n", into the command result;
// nothing at all without machines.
void List_All_Machines(Tcl_Interp *interpreter);
