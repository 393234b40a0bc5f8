// Stand-ins of the cache model's data-path entries.
#include "mmu/hooks/cache_data_path.h"

#include "memory/memory_map.h"
#include "processor/records/axd.h"

// STAND-IN: the cache model is not built; the access goes straight to the memory map (status 0
// done, 1 failed).
__attribute__((weak)) uint32_t Cache_PA_Read_Memory_Data(MemoryClient *client, AXD *axd, uint64_t *value,
                                                         int effects, int)
{
    return Read_Mapped_Memory_Reg(client, axd->pa, axd->size, value, 0, effects) ? 0 : 1;
}

__attribute__((weak)) uint32_t Cache_PA_Write_Memory_Reg(MemoryClient *client, AXD *axd, uint64_t value, int)
{
    return Write_Mapped_Memory_Reg(client, axd->pa, axd->size, value, 0) ? 0 : 1;
}

__attribute__((weak)) uint32_t PA_Read_inst_Cached(MemoryClient *client, AXD *axd, uint32_t *word)
{
    uint64_t value = 0;
    if (!Read_Mapped_Memory_Reg(client, axd->pa, 4, &value, 0, 1)) return 1;
    *word = (uint32_t)value;
    return 0;
}
