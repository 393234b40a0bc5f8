// The hole (G_MMAPI_HOLE): a mapped range where every access fails, so that reads and writes
// landing there fail at the memory map.
#pragma once

#include <cstdint>

#include "memory/memory_map.h"

struct hole {
    GenericMachine *machine;
    uint32_t number; // the chip number given at set-up
    int64_t size;
    uint64_t start;
    uint64_t end; // inclusive
};

extern MMAPIentry_s G_MMAPI_HOLE;

// Stores the machine and the chip number.
void HOLE_SETUP_FUNCTION(GenericMachine *machine, void *instance, uint32_t number);

void *HOLE_INIT_MMAPI_FUNCTION(const char *name, PropertyList *list, InstanceLink *link, uint64_t start,
                               uint64_t end);
void HOLE_QUIT_MMAPI_FUNCTION(void *instance);
int HOLE_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value,
                             int length);
int HOLE_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value,
                              int length);
int HOLE_BLOCK_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t length,
                                   void *destination);
int HOLE_BLOCK_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t length,
                                    const void *source);
