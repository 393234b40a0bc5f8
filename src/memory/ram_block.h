// The plain RAM block (G_MMAPI_RAM): one zeroed allocation over its range, bytes big-endian,
// bounds checked on every access. The memory bus maps one as its small RAM window.
#pragma once

#include <cstdint>

#include "memory/memory_map.h"

struct RAM_block {
    uint64_t start;
    uint64_t end;  // inclusive
    uint32_t size; // end - start + 1
    uint8_t *data; // zeroed
};

extern MMAPIentry_s G_MMAPI_RAM;

void *RAM_INIT_MMAPI_FUNCTION(const char *name, PropertyList *list, InstanceLink *link, uint64_t start,
                              uint64_t end);
void RAM_QUIT_MMAPI_FUNCTION(void *instance);
int RAM_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value,
                            int length);
int RAM_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value,
                             int length);
