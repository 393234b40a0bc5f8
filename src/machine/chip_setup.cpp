// Chip set-up services of the processor unit.
#include "machine/chip_setup.h"

#include <cstdio>

#include "coproc/coprocessors.h"
#include "devices/console.h"
#include "devices/interrupt_hook.h"
#include "devices/ppcic.h"
#include "devices/rom.h"
#include "interrupts/processor_interrupt.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/ram_block.h"
#include "processor/config/config_getters.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instance_link.h"
#include "processor/records/mcm.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/property_list.h"

MCM *Assign_MCM(GenericMachine *machine, int32_t n, int32_t *local)
{
    if (!machine || !machine->mcms || machine->num_mcms == 0)
        sim_panic("%s:%d: mcm is NULL", __FILE__, __LINE__);
    MCM *chip = nullptr;
    for (uint32_t i = 0; i < machine->num_mcms; i++) {
        chip = GenericMachine__GetMCM(machine, (int32_t)i);
        if (!chip) sim_panic("%s:%d: mcm is NULL", __FILE__, __LINE__);
        int32_t count = (int32_t)chip->cores_per_chip;
        if (n < count) break;
        if (i + 1 == machine->num_mcms) {
            // Beyond every chip: the last chip takes the core.
            chip->cores_per_chip = (uint32_t)n + 1;
            break;
        }
        n -= count;
    }
    if (local) *local = n;
    return chip;
}

void MCM_Memory_Map_Populate(MCM *chip, PropertyList *list)
{
    if (!chip) return;
    GenericMachine *machine = chip->machine;
    chip->int_handler = nullptr;
    IntHandler__Delete(chip->processor_hook);
    chip->processor_hook = IntHandler__New("Processor");
    IntHandler__Set(chip->processor_hook, Processor_Interrupt_Handler, chip);
    if (!machine || !machine->machine_options[MO_NO_PPCIC]) {
        uint64_t start = 0, end = 0;
        get_conditional_mcm_property_uint64_t_rc(chip, list, "ppcic/start", &start);
        get_conditional_mcm_property_uint64_t_rc(chip, list, "ppcic/end", &end);
        char name[64];
        snprintf(name, sizeof name, "PPCIC_%d", chip->number);
        auto *controller =
            static_cast<PPCIC_s *>(MemMap_Define(chip, name, &G_MMAPI_PPCIC, start, end, nullptr));
        if (controller) {
            PPCIC_init(controller, GenericMachine__ThreadCount(machine));
            controller->chip = chip;
            chip->ppcic = controller;
            PPCIC__Register_Outgoing_IntHandler(controller, chip->processor_hook);
            chip->int_handler = PPCIC__Incoming_IntHandler(controller);
        }
    }
    MBUS_Memory_Map_Populate(chip->mbus, list);
}

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
