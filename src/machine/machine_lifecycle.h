// A machine's life cycle: its creation from a configuration (record, kernel, devices, chips,
// processors and threads), the addition of processors, its teardown, and finding and listing
// machines by name. The record and its small services are processor/records/generic_machine.h.
#pragma once

#include <cstdint>

#include "processor/records/generic_machine.h"

struct PropertyList;
struct Tcl_Interp;

// Builds a whole machine from the configuration copy (made immutable), or gives null. A second
// machine while one is current is refused with a fatal error before anything is made.
GenericMachine *GenericMachine_Create(const char *name, PropertyList *list);
// The first part of creation: record, kernel, devices, configuration, chips.
GenericMachine *GenericMachine_Init(const char *name, PropertyList *list);
// Allocates and links the record; null when another machine is current or memory is short.
GenericMachine *GenericMachine__New(const char *name, int32_t *object_id);
// Creates one core (with its partition core states) for the machine-wide core number.
void Add_Processor(GenericMachine *machine, int32_t number);
// Adds cores until the machine has at least that many hardware threads; the thread count.
uint32_t GenericMachine__SetMaxThreads(GenericMachine *machine, uint32_t threads);
// Stops the simulation ("user (tcl)"), deletes the machine's configuration copy and tears the
// machine down with its Tcl command and top command table.
void Machine_Quit(GenericMachine *machine);
void GenericMachine_Quit(GenericMachine *machine);
// Removes every element of every memory map of the machine.
void MemMap_Empty(GenericMachine *machine);
// The machine of that name (case-sensitive), or null.
GenericMachine *Find_Machine_By_Name(const char *name);
// The machine names, newest first, separated by blanks and ended by "\n", into the command result;
// nothing at all without machines.
void List_All_Machines(Tcl_Interp *interpreter);
// Adds nothing: the machine's hook in the default configurations.
void Machine_Add_Default_Values(PropertyList *list);
