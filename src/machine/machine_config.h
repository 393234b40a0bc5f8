// Machine configuration: the machine options, the machine-type table, and the reading of a whole
// configuration into the machine record (topology with its time domains, run-time switches,
// memory regions, distributed-SMP and FBAR tables), then the config_init callbacks and the chips.
#pragma once

#include <cstdint>

#include "devices/ppcic.h"
#include "runtime/utils.h"

struct GenericMachine;
struct PropertyList;

// One machine option: its index, name, default and description.
struct MachineOptionRow {
    int32_t index; // MO_COUNT ends the table
    const char *name;
    int32_t default_value;
    const char *description;
};
extern const MachineOptionRow MO_list[];

// The machine types {id, name}, ended by a row without a name.
extern const IDNamePair Machine_Type_Name[];

// values[index] = the boolean "machine_option/<name>" of each option.
void Machine_Options_Init(int32_t *values, PropertyList *list);
// Each option as a hidden default "TRUE"/"FALSE" under "<prefix>/machine_option", or
// "machine_option" without a prefix.
void Machine_Option_Add_Default_Values(PropertyList *list, const char *prefix);
// The name of the first row (rows 1 to 31) with the id, else "Not-Found".
const char *MachineType_2_Name(uint32_t id);
// The id of the first row whose name equals the text ignoring case, else 0.
uint32_t MachineName_2_Type(const char *name);
// The most threads a machine holds: as many as the interrupt controller serves.
constexpr int64_t MACHINE_MAX_THREADS = PPCIC_MAX_THREADS;
// 1 when the configuration's topology (chips, nodes, processors per chip, cores per chip, threads
// per core) gives a machine of 1 to MACHINE_MAX_THREADS threads; else 0 after one error.
int Machine_Topology_Check(PropertyList *list);
// Reads the configuration into the machine, runs the config_init callbacks, creates the chips.
void GenericMachine_SimConfig_Init(GenericMachine *machine, PropertyList *list);
// Grows the chip array to "number_of_MCMs" chips; never shrinks it.
void SET_NUM_MCMS(GenericMachine *machine, PropertyList *list);
