// The cache model's entries for the data path of the cached simulation modes.
// Declared here for the floors that call it; defined by the cache model
// (cache/cache_data_path_standin.cpp).
#pragma once

#include <cstdint>

struct AXD;
struct MemoryClient;

// Status 0 done; 5, 7 and 9 statuses of the model; anything else a failed access.
uint32_t Cache_PA_Read_Memory_Data(MemoryClient *client, AXD *axd, uint64_t *value, int effects, int flag);
uint32_t Cache_PA_Write_Memory_Reg(MemoryClient *client, AXD *axd, uint64_t value, int effects);
// An instruction fetch of 4 bytes through the instruction cache; 0 done.
uint32_t PA_Read_inst_Cached(MemoryClient *client, AXD *axd, uint32_t *word);
// Page-table entries through the cache model: size bytes read into 8-byte words in host order,
// and one doubleword written; 0 on success.
uint32_t PA_Read_pte_Cached(MemoryClient *client, AXD *axd, uint64_t *values, int effects);
uint32_t PA_Write_pte_Cached(MemoryClient *client, AXD *axd, uint64_t value, int effects);
// The line size of the first instruction-cache description of the cache configuration.
uint16_t cacheGlobalConfig_ICache_Line_Size(void);
