// The memory overflow agent (G_MMAPI_MEMORY_OVERFLOW): the overflow element of a memory map,
// giving every address that no device covers its own lazily created, zero-filled 4 KB page
// (kept in a height-balanced search tree), or a constant big-endian pattern on reads.
#pragma once

#include <cstdint>

#include "memory/memory_map.h"

struct overflow_memory_page {
    overflow_memory_page *left;
    overflow_memory_page *right;
    int32_t left_height;
    int32_t right_height;
    uint64_t page; // 4 KB aligned
    uint8_t *data; // 4096 bytes, an anonymous mapping "overflow agent page"
};

struct overflow_memory {
    GenericMachine *machine;
    int32_t ignore_writes;
    int32_t constant_reads;
    int32_t alignment; // bytes of the constant pattern, 1 to 8
    uint64_t value;    // the pattern, big-endian in its low `alignment` bytes
    overflow_memory_page *root;
};

extern MMAPIentry_s G_MMAPI_MEMORY_OVERFLOW;

// Stores the machine (whose memory tags cover each new page).
void MEMORY_OVERFLOW_SETUP_FUNCTION(GenericMachine *machine, void *instance);

// The page at a 4 KB aligned address, created (zeroed, inserted) when missing; null when no
// page can be made.
overflow_memory_page *find_overflow_page(overflow_memory *agent, uint64_t page);
// Inserts a node into the tree under root and returns the new root; an equal page is not inserted.
overflow_memory_page *add_overflow_page(overflow_memory_page *root, overflow_memory_page *node);
// Unmaps every page and frees every node.
void delete_overflow_tree(overflow_memory_page *root);

void *MEMORY_OVERFLOW_INIT_MMAPI_FUNCTION(const char *name, PropertyList *list, InstanceLink *link,
                                          uint64_t start, uint64_t end);
void MEMORY_OVERFLOW_QUIT_MMAPI_FUNCTION(void *instance);
int MEMORY_OVERFLOW_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset,
                                        uint64_t *value, int length);
int MEMORY_OVERFLOW_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset,
                                         uint64_t value, int length);
uint8_t *MEMORY_OVERFLOW_RESOLVE_MMAPI_FUNCTION(MemoryClient *client, void *instance, uint64_t page_offset);
