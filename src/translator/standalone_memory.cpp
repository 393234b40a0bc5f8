// Direct host addressing of guest memory in standalone translations.
#include "translator/standalone_memory.h"

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"

namespace
{
MemoryMap *chip_memory_map(MCM *chip)
{
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}
} // namespace

int turbo_standalone_memory(MCM *chip)
{
    GenericMachine *machine = chip ? chip->machine : nullptr;
    return machine && machine->turbo_standalone && machine->memory_alloc_size == 0;
}

uint8_t *turbo_standalone_base(MCM *chip)
{
    MemoryMap *map = chip_memory_map(chip);
    if (!map) return nullptr;
    return Resolve_Mapped_Memory_MCM(map->clients, chip, 0);
}

uint64_t turbo_standalone_limit(MCM *chip)
{
    MemoryMap *map = chip_memory_map(chip);
    if (!map || !turbo_standalone_base(chip)) return 0;
    MapListElement *element = MemMap_SearchByAddr(map, 0);
    if (!element || element->start != 0) return 0;
    return element->end + 1;
}
