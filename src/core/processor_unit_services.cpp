// The cycle-level core's IOPDesc hand-out and the reservation reset of a mode switch.
#include "core/processor_unit_services.h"

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"

IOPDesc *get_Instruction_Cycle(ThreadState *thread)
{
    IOPDesc *iop = get_Instruction(thread);
    if (!iop) return nullptr;
    iop->deferred_triggers = 0;
    iop->defer_side_effects = 0;
    iop->use_slots = 0;
    iop->addr_only = 0;
    iop->finished = 0;
    iop->partial_done = 0;
    iop->exceptions = nullptr;
    return iop;
}

void reset_core_reservations(GenericMachine *machine)
{
    if (!machine || !machine->mcms) return;
    for (uint32_t i = 0; i < machine->num_mcms; i++) {
        MCM *chip = machine->mcms[i];
        MemoryMap *map = chip && chip->mbus ? chip->mbus->memory_map : nullptr;
        if (!map) continue;
        while (MemoryClient *client = map->reservations) {
            clear_reservation_bit(client);
            if (map->reservations == client) break; // not unlinked: never spin on it
        }
    }
}
