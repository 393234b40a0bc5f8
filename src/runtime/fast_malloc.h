// Named object pools of fixed-size elements (FastMalloc). Taking and returning an element are a
// few inline pointer moves on the pool's free list, which is linked through each free
// element's first word; the allocator is called only to add a chunk of elements.
#pragma once

#include <cstdint>

typedef void (*FastMalloc_Func)(void *data, void *object);

// One chunk of zeroed elements.
struct FMChunk {
    FMChunk *next;
    char *memory;
};

struct FastMalloc {
    char *name;
    uint16_t header;     // bytes in front of each object: 8, or 0 for link-list pools
    uint16_t stride;     // bytes per element
    int32_t chunk_size;  // elements per chunk
    int32_t chunk_limit; // chunks before the (silent) warning
    int32_t chunk_count;
    FMChunk *chunks; // newest first
    void *free_head; // oldest returned
    void *free_tail;
    FastMalloc_Func init_func;
    FastMalloc_Func exit_func;
    void *init_data;
    void *exit_data;
};

// A pool whose objects sit 8 bytes into their elements.
FastMalloc *FastMalloc_New(const char *name, int object_size, int chunk_size, int chunk_limit);
// A pool whose objects are their elements (the free link is the object's first word).
FastMalloc *FastMalloc_LinkList_New(const char *name, int object_size, int chunk_size, int chunk_limit);
// A chunk size or object size of 0 or less is a fatal internal error.
void FastMalloc_Init(FastMalloc *pool, const char *name, int object_size, int chunk_size, int chunk_limit,
                     int header);
void FastMalloc_Set_Init_Func(FastMalloc *pool, FastMalloc_Func function, void *data);
void FastMalloc_Set_Exit_Func(FastMalloc *pool, FastMalloc_Func function, void *data);
// Adds a chunk; its elements become the free list (which must be empty).
void FastMalloc_Expand(FastMalloc *pool);
int FastMalloc_Used(FastMalloc *pool);
// Calls function(data, object) for every object in use, newest chunk first.
void FastMalloc_Dump(FastMalloc *pool, FastMalloc_Func function, void *data);
// "%s: totals=%d, unused=%d\n" through Dump_print.
void FastMalloc_Usage(int indent, FastMalloc *pool, const char *name);
// Calls the exit function on every object and releases the chunks and the name.
void FastMalloc_Clean(FastMalloc *pool);
void FastMalloc_Free(FastMalloc *pool);

// Takes an element: the oldest returned one, expanding the pool when none is free.
inline void *FastMalloc_Get(FastMalloc *pool)
{
    if (!pool->free_head) FastMalloc_Expand(pool);
    void **element = static_cast<void **>(pool->free_head);
    if (element == pool->free_tail)
        pool->free_head = pool->free_tail = nullptr;
    else
        pool->free_head = *element;
    *element = nullptr;
    return reinterpret_cast<char *>(element) + pool->header;
}

// Returns an object: its element goes to the tail of the free list.
inline void FastMalloc_Put(FastMalloc *pool, void *object)
{
    void **element = reinterpret_cast<void **>(static_cast<char *>(object) - pool->header);
    *element = nullptr;
    if (pool->free_tail)
        *static_cast<void **>(pool->free_tail) = element;
    else
        pool->free_head = element;
    pool->free_tail = element;
}
