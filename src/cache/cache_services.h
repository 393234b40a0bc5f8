// What the guest services and the device tree ask of the cache model: its configuration (the
// first L1 instruction, L1 data, L2 and L3 caches), the dump of its contents and the locality
// hints guests give.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MemoryClient;

// One configured cache: zeros when the machine has none of that kind.
struct CacheLevelConfig {
    uint64_t size;          // whole cache, bytes
    uint32_t associativity; // ways
    uint32_t sets;          // size / (associativity x line size), 0 when unknown
    uint32_t line_size;     // bytes
    uint32_t num_slices;    // 1 unless configured
};

// The first configured cache of the kind "cache/l1i", "cache/l1d", "cache/l2" or "cache/l3".
void Cache_Global_Config(GenericMachine *machine, const char *kind, CacheLevelConfig *config);
// Prints the contents of the machine's caches (flags and level select what).
void Cache_dump_contents(GenericMachine *machine, uint64_t flags, uint64_t level);
// Registers [address, address + length) as good-reuse (flag 1) or no-reuse (0) for the client.
void Cache_set_locality(MemoryClient *client, uint64_t flag, uint64_t address, uint64_t length);
