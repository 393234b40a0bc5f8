// Memory tags: one tag bit per 16-byte granule of real memory, kept per machine in tag regions
// (a search tree by start, each region with a bit array made on first need), the machine's
// replaceable read, write and resolve functions with their defaults, and the thread-level tag
// accesses.
#pragma once

#include <cstdint>

#include "processor/records/generic_machine.h" // the machine's tag functions

struct ThreadState;

struct tag_region {
    tag_region *left;
    tag_region *right;
    int32_t left_height;
    int32_t right_height;
    uint64_t start; // a multiple of 16
    uint64_t end;   // inclusive
    uint8_t *bits;  // granule g (from start) is bit g % 8 of byte g / 8; null until needed
};

void Register_Memory_Tag_Functions(GenericMachine *machine, MemoryTagReadFunction read,
                                   MemoryTagWriteFunction write, MemoryTagResolveFunction resolve,
                                   void *data);
// Installs the default functions with the machine as their data.
void Default_Init_Memory_Tag_Structures(GenericMachine *machine);
// Covers [start, end] (widened to whole granules) with regions of at most 4 GB; a range that
// overlaps an existing region is refused with warnings.
void Define_Memory_Tag_Bit_Array(GenericMachine *machine, uint64_t start, uint64_t end);
void Delete_Memory_Tag_Bit_Arrays(GenericMachine *machine);

// Thread-level accesses through the machine's functions.
int PA_Read_Memory_Tag(ThreadState *thread, uint64_t address, int raw);
int PA_Read_Memory_Tag_Raw(ThreadState *thread, uint64_t address);
// Writes the tag's low byte to every granule of [address, address + length).
void PA_Write_Memory_Tag(ThreadState *thread, uint64_t address, uint64_t length, int tag);
uint8_t *PA_Resolve_Memory_Tag(ThreadState *thread, uint64_t address);

// The tree and the defaults.
tag_region *Tag_Region_Insert(tag_region *subtree, tag_region *region);
// The region that contains the address, or null.
tag_region *Tag_Region_Search(tag_region *root, uint64_t address);
tag_region *Tag_Region_On_Demand(tag_region *found, GenericMachine *machine, uint64_t address);
int Default_Read_Memory_Tag(ThreadState *thread, uint64_t address, void *data);
void Default_Write_Memory_Tag(ThreadState *thread, uint64_t address, int tag, void *data);
uint8_t *Default_Memory_Tag_Byte(ThreadState *thread, uint64_t address, void *data);
