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

// STAND-IN: the cache model is not built; page-table entries are read and written straight
// through the memory map.
__attribute__((weak)) uint32_t PA_Read_pte_Cached(MemoryClient *client, AXD *axd, uint64_t *values, int effects)
{
    for (int i = 0; i < axd->size / 8; i++)
        if (!Read_Mapped_Memory_Reg(client, axd->pa + 8 * (uint64_t)i, 8, &values[i], 0, effects)) return 1;
    return 0;
}

__attribute__((weak)) uint32_t PA_Write_pte_Cached(MemoryClient *client, AXD *axd, uint64_t value, int)
{
    return Write_Mapped_Memory_Reg(client, axd->pa, 8, value, 0) ? 0 : 1;
}

// STAND-IN: the cache configuration is not built; instruction-cache lines are 128 bytes.
__attribute__((weak)) uint16_t cacheGlobalConfig_ICache_Line_Size(void)
{
    return 128;
}
