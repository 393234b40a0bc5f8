// Memory regions: guest RAM ("MEMORY-REGION-%d") and FBAR regions whose bytes live in host
// chunks created on first touch (file-backed and unlinked at once, or anonymous), their device
// operations, and the direct host address of a region offset.
#pragma once

#include <cstdint>

#include "memory/memory_map.h"
#include "processor/records/generic_machine.h"

struct GenericMachine;

struct sim_memory {
    GenericMachine *machine;
    uint8_t **chunks; // host address of each chunk, null until touched
    uint32_t number;  // region number (FBAR index for an FBAR region)
    int64_t size;     // end - start + 1
    int64_t chunk_size;
    int32_t num_chunks;
    uint32_t chunk_shift;
    uint32_t chunk_index_mask;
    uint64_t offset_mask; // offset within a chunk
    uint32_t anonymous;   // chunks are anonymous shared mappings instead of files
    int *fds;             // each chunk's file descriptor, -1 when none
    uint64_t start;
    uint64_t end; // inclusive
};

extern MMAPIentry_s G_MMAPI_MEMORY;
extern MMAPIentry_s G_MMAPI_FBAR;

// Chooses the region's chunking and allocates the chunk tables.
void MEMORY_SETUP_FUNCTION(GenericMachine *machine, void *instance, uint32_t number);
void FBAR_SETUP_FUNCTION(GenericMachine *machine, void *instance, uint32_t number);

// Slow path of the two lookups below: creates chunk `index` (ends the program when the host has
// no memory for it) and returns its host address.
uint8_t *MCM_Memory_Allocate_A_Chunk(sim_memory *region, uint32_t index);
uint8_t *MCM_FBar_Allocate_A_Chunk(sim_memory *region, uint32_t index);
// Warns (silently) that an access spans two chunks; returns null.
uint8_t *memory_access_across_chunks(void);

// Host address of [offset, offset + length) of a region, its chunk created when needed; null when
// the range spans two chunks or lies beyond the region's chunks.
inline uint8_t *region_host_address(sim_memory *region, uint64_t offset, uint64_t length, bool fbar)
{
    if (memoryDataless) offset = 0;
    uint64_t last = offset + (length ? length - 1 : 0);
    // Never beyond the chunks' bytes (nor wrapping): callers outside the map pass raw offsets.
    if (last < offset || last >= (uint64_t)region->chunk_size * (uint64_t)region->num_chunks) return nullptr;
    uint32_t index = (uint32_t)(offset >> region->chunk_shift) & region->chunk_index_mask;
    if (index != ((uint32_t)(last >> region->chunk_shift) & region->chunk_index_mask))
        return memory_access_across_chunks();
    uint8_t *chunk = __atomic_load_n(&region->chunks[index], __ATOMIC_ACQUIRE);
    if (__builtin_expect(!chunk, 0))
        chunk = fbar ? MCM_FBar_Allocate_A_Chunk(region, index) : MCM_Memory_Allocate_A_Chunk(region, index);
    return chunk + (offset & region->offset_mask);
}

inline uint8_t *MEM_PA_OFFSET_TO_SIM_MEMORY(GenericMachine *, void *instance, uint64_t offset,
                                            uint64_t length)
{
    return region_host_address(static_cast<sim_memory *>(instance), offset, length, false);
}

inline uint8_t *MEM_PA_OFFSET_TO_SIM_FBAR(GenericMachine *, void *instance, uint64_t offset, uint64_t length)
{
    return region_host_address(static_cast<sim_memory *>(instance), offset, length, true);
}

// 1 when the region numbered address >> region-id shift exists and contains the address.
int VALID_SYSTEM_PA_ADDRESS(GenericMachine *machine, uint64_t address);

// The device operations of memory regions (FBAR: the same with their own names and messages).
void *MEMORY_INIT_MMAPI_FUNCTION(const char *name, PropertyList *list, InstanceLink *link, uint64_t start,
                                 uint64_t end);
void MEMORY_QUIT_MMAPI_FUNCTION(void *instance);
int MEMORY_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value,
                               int length);
int MEMORY_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value,
                                int length);
int MEMORY_BLOCK_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t length,
                                     void *destination);
int MEMORY_BLOCK_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t length,
                                      const void *source);
uint8_t *MEMORY_RESOLVE_MMAPI_FUNCTION(MemoryClient *client, void *instance, uint64_t page_offset);
void *FBAR_INIT_MMAPI_FUNCTION(const char *name, PropertyList *list, InstanceLink *link, uint64_t start,
                               uint64_t end);
void FBAR_QUIT_MMAPI_FUNCTION(void *instance);
int FBAR_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value,
                             int length);
int FBAR_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value,
                              int length);
int FBAR_BLOCK_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t length,
                                   void *destination);
int FBAR_BLOCK_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t length,
                                    const void *source);
uint8_t *FBAR_RESOLVE_MMAPI_FUNCTION(MemoryClient *client, void *instance, uint64_t page_offset);

// Big-endian value helpers shared by the byte-storing devices.
// Reads `length` bytes as a big-endian number: 1, 2, 4 and 8 bytes; other lengths give 0.
uint64_t load_big_endian(const uint8_t *bytes, int length);
// Stores the low `length` bytes of value big-endian (its lowest byte at the highest address).
void store_big_endian(uint8_t *bytes, uint64_t value, int length);
