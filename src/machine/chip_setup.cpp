// Chip set-up services of the processor unit.
#include "machine/chip_setup.h"

#include <cstdio>

#include "machine/devices/interrupt_hook.h"
#include "machine/devices/ppcic.h"
#include "machine/memory_bus.h"
#include "machine/memory_map.h"
#include "processor/config/config_getters.h"
#include "processor/processor_interrupt.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "runtime/message.h"

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
