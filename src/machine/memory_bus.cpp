// The chip memory bus.
#include "machine/memory_bus.h"

#include <cstdio>

#include "coproc/coprocessors.h"
#include "machine/devices/console.h"
#include "machine/devices/ram_block.h"
#include "machine/devices/rom.h"
#include "machine/memory_map.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instance_link.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "runtime/alloc.h"
#include "runtime/device_manager.h"
#include "runtime/property_list.h"

MBUS *MBUS__Init(MCM *chip, const char *name)
{
    MBUS *bus = QUARN_ZALLOC(1, MBUS);
    if (!bus) return nullptr;
    GenericMachine *machine = chip ? chip->machine : nullptr;
    bus->machine = machine;
    bus->mcm = chip;
    bus->link = InstanceLink__New(machine, machine ? machine->tsim : nullptr, chip, MemMap_Define);
    bus->name = REMEMBER_STRING(name ? name : "");
    bus->path = REMEMBER_STRING(bus->name);
    bus->path_copy = REMEMBER_STRING(bus->name);
    return bus;
}

void MBUS__Quit(MBUS *bus)
{
    if (!bus) return;
    MBUS_Memory_Map_Quit(bus);
    FORGET_STRING(bus->path);
    FORGET_STRING(bus->path_copy);
    InstanceLink__Free(bus->link);
    FORGET_STRING(bus->name);
    QUARN_FREE(bus);
}

MBUS *Assign_MBUS(GenericMachine *machine, int32_t core_number)
{
    if (!machine || !machine->device_manager) return nullptr;
    if (machine->processor_major < 0)
        machine->processor_major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Processor");
    ProcessorState *core = static_cast<ProcessorState *>(
        DeviceMgr__GetDevice(machine->device_manager, machine->processor_major, core_number));
    return core && core->mcm ? core->mcm->mbus : nullptr;
}

void MBUS_Memory_Map_Populate(MBUS *bus, PropertyList *list)
{
    if (!bus) return;
    MCM *chip = bus->mcm;
    GenericMachine *machine = bus->machine;
    if (!machine || !machine->machine_options[MO_NO_ROM]) Setup_ROM(list, chip);
    if (!standalone_mode && !(machine && machine->machine_options[MO_NO_RAM]))
        MemMap_Define(chip, "RAM", &G_MMAPI_RAM, MBUS_RAM_START, MBUS_RAM_END, nullptr);
    MBUS_Fix(bus);
}

int MBUS_Fix(MBUS *)
{
    return 1;
}

void MBUS_Memory_Map_Quit(MBUS *bus)
{
    if (!bus || !bus->console) return;
    Console_Quit(bus->console);
    bus->console = nullptr;
}

void MBUS_Add_Default_Values(PropertyList *list, const char *section)
{
    PropertyList__AddDefaultString(list, section, "memory_regions", "1", "# of memory regions");
    PropertyList__AddDefaultString_Public(list, section, "memory_start", "0",
                                          "address of first byte of memory");
    PropertyList__AddDefaultString_Public(list, section, "memory_size", "64M", "number of bytes of memory");
    PropertyList__AddDefaultString(list, section, "memory_alloc_size", "256M",
                                   "size of memory chunk to allocate");
    // No default value: these two are listed only when a configuration sets them.
    PropertyList__AddDefaultString(list, section, "memory_file", nullptr,
                                   "file to use for initial memory contents");
    PropertyList__AddDefaultString(list, section, "swapmemory_file", nullptr,
                                   "name of file to swap memory to");
    COP_Add_Default_Values(list, "COP");
    ROM_Add_Default_Values(list, "ROM");
}

const char *MCM_Unique_Name(MCM *chip, const char *name)
{
    static char unique[256];
    if (!chip || !chip->machine || chip->machine->num_mcms < 2) return name;
    snprintf(unique, sizeof unique, "%s:%s", chip->name ? chip->name : "", name ? name : "");
    return unique;
}
