// What the warming fast interpreter (WARMUP mode) tells the cache model: every data access and every
// fetch that enters a new instruction line, untimed. Declared here for the translator; defined by
// the cache model (cache/cache_nodelay_standin.cpp).
#pragma once

#include <cstdint>

struct GenericMachine;
struct MemoryClient;

// Pass an access of size bytes at the effective and physical address through the cache hierarchy
// without delay; addresses outside simulated memory are ignored.
void Cache_nodelay_mode_load(MemoryClient *client, uint64_t ea, uint64_t pa, uint32_t size);
void Cache_nodelay_mode_store(MemoryClient *client, uint64_t ea, uint64_t pa, uint32_t size);
// The line size of the machine's first configured cache (its first instruction cache), 0 when none.
uint32_t Cache_nodelay_line_size(GenericMachine *machine);
