// The chip memory bus.
#include "memory/memory_bus.h"

#include <cstdio>

#include "memory/memory_map.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "runtime/device_manager.h"

MBUS *Assign_MBUS(GenericMachine *machine, int32_t core_number)
{
    if (!machine || !machine->device_manager) return nullptr;
    if (machine->processor_major < 0)
        machine->processor_major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Processor");
    ProcessorState *core = static_cast<ProcessorState *>(
        DeviceMgr__GetDevice(machine->device_manager, machine->processor_major, core_number));
    return core && core->mcm ? core->mcm->mbus : nullptr;
}

const char *MCM_Unique_Name(MCM *chip, const char *name)
{
    static char unique[256];
    if (!chip || !chip->machine || chip->machine->num_mcms < 2) return name;
    snprintf(unique, sizeof unique, "%s:%s", chip->name ? chip->name : "", name ? name : "");
    return unique;
}
