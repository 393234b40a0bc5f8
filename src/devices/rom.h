// The ROM (G_MMAPI_ROM, "ROM"): an image file, or a built-in 16-byte client-interface stub,
// mapped read-only by the chip bus.
#pragma once

#include <cstdint>

#include "memory/memory_map.h"

struct MCM;
struct PropertyList;

struct ROM {
    uint64_t start;
    uint64_t end;      // inclusive
    uint64_t map_size; // bytes of the host mapping
    uint8_t *mapping;  // anonymous, read-write, 4 KB aligned, covering the ROM's pages
    uint64_t size;     // end - start + 1
    int32_t valid;     // 1 when an image is loaded
    uint8_t *bytes;    // the ROM's first byte inside the mapping
};

// The built-in image: copy r3 to r4, load 99 into r3, the simulator's support instruction, return.
extern const uint32_t ROM_Builtin_Image[4];

extern MMAPIentry_s G_MMAPI_ROM;

// "start" (0xF0000000) and "size" (0) under the section.
void ROM_Add_Default_Values(PropertyList *list, const char *section);
// Places the ROM on the chip (size from the image when not configured; at the 4 GB boundary when
// the start is 0); nothing in standalone mode or when the size comes out 0.
void Setup_ROM(PropertyList *list, MCM *chip);
// The image file's size (16 without a file; 0 when it cannot be examined) rounded up to a multiple
// of the block size.
uint64_t ROM_DetectSize(uint64_t block_size, const char *file_name);

void *ROM_INIT_MMAPI_FUNCTION(const char *name, PropertyList *list, InstanceLink *link, uint64_t start,
                              uint64_t end);
void ROM_QUIT_MMAPI_FUNCTION(void *instance);
int ROM_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value,
                            int length);
int ROM_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value,
                             int length);
int ROM_BLOCK_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t length,
                                  void *destination);
int ROM_BLOCK_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t length,
                                   const void *source);
uint8_t *ROM_RESOLVE_MMAPI_FUNCTION(MemoryClient *client, void *instance, uint64_t page_offset);
