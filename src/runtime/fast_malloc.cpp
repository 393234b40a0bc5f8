// Named object pools of fixed-size elements.
#include "runtime/fast_malloc.h"

#include <cstring>

#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/stat_print.h"

namespace
{

constexpr int32_t FASTMALLOC_MAX_CHUNKS = 0x100000;

inline int free_length(FastMalloc *pool)
{
    int length = 0;
    for (void *element = pool->free_head; element; element = *static_cast<void **>(element))
        length++;
    return length;
}

inline bool on_free_list(FastMalloc *pool, void *element)
{
    for (void *at = pool->free_head; at; at = *static_cast<void **>(at))
        if (at == element) return true;
    return false;
}

FastMalloc *new_pool(const char *name, int object_size, int chunk_size, int chunk_limit, int header)
{
    FastMalloc *pool = QUARN_ZALLOC(1, FastMalloc);
    if (!pool) sim_panic("FastMalloc(%s): Ran out of space.", name ? name : "");
    FastMalloc_Init(pool, name, object_size, chunk_size, chunk_limit, header);
    return pool;
}

} // namespace

void FastMalloc_Init(FastMalloc *pool, const char *name, int object_size, int chunk_size, int chunk_limit,
                     int header)
{
    const char *shown = name ? name : "";
    // The stride is 16 bits wide: a larger element cannot be represented.
    if (chunk_size <= 0 || object_size <= 0 || object_size > 0xFFFF - 2 * header - 8)
        sim_panic("FastMalloc(%s): chunk_size=%d, elem_size=%d", shown, chunk_size, object_size);
    memset(pool, 0, sizeof(*pool));
    pool->name = REMEMBER_STRING(shown);
    pool->header = (uint16_t)header;
    int rounded = header ? (object_size + header - 1) / header * header : (object_size + 7) / 8 * 8;
    pool->stride = (uint16_t)(header + rounded);
    pool->chunk_size = chunk_size;
    pool->chunk_limit =
        chunk_limit <= 0 || chunk_limit > FASTMALLOC_MAX_CHUNKS ? FASTMALLOC_MAX_CHUNKS : chunk_limit;
}

FastMalloc *FastMalloc_New(const char *name, int object_size, int chunk_size, int chunk_limit)
{
    return new_pool(name, object_size, chunk_size, chunk_limit, 8);
}

FastMalloc *FastMalloc_LinkList_New(const char *name, int object_size, int chunk_size, int chunk_limit)
{
    return new_pool(name, object_size, chunk_size, chunk_limit, 0);
}

void FastMalloc_Set_Init_Func(FastMalloc *pool, FastMalloc_Func function, void *data)
{
    pool->init_func = function;
    pool->init_data = data;
}

void FastMalloc_Set_Exit_Func(FastMalloc *pool, FastMalloc_Func function, void *data)
{
    pool->exit_func = function;
    pool->exit_data = data;
}

void FastMalloc_Expand(FastMalloc *pool)
{
    if (pool->chunk_count++ >= pool->chunk_limit) {
        sim_warning(2, "FastMalloc(%s): too many chunks (%d)", pool->name, pool->chunk_count);
        pool->chunk_limit = FASTMALLOC_MAX_CHUNKS;
    }
    size_t stride = pool->stride;
    size_t count = (size_t)pool->chunk_size;
    char *memory = static_cast<char *>(quarn_zalloc(stride * count, 1, "char", __FILE__, __LINE__));
    FMChunk *chunk = QUARN_MALLOC(1, FMChunk);
    if (!memory || !chunk) sim_panic("FastMalloc(%s): Ran out of space.", pool->name);
    chunk->memory = memory;
    chunk->next = pool->chunks;
    pool->chunks = chunk;
    if (pool->init_func)
        for (size_t i = 0; i < count; i++)
            pool->init_func(pool->init_data, memory + i * stride + pool->header);
    // The free list is empty here: it becomes the chunk's elements in address order.
    for (size_t i = 0; i + 1 < count; i++)
        *reinterpret_cast<void **>(memory + i * stride) = memory + (i + 1) * stride;
    *reinterpret_cast<void **>(memory + (count - 1) * stride) = nullptr;
    pool->free_head = memory;
    pool->free_tail = memory + (count - 1) * stride;
}

int FastMalloc_Used(FastMalloc *pool)
{
    return pool->chunk_count * pool->chunk_size - free_length(pool);
}

void FastMalloc_Dump(FastMalloc *pool, FastMalloc_Func function, void *data)
{
    for (FMChunk *chunk = pool->chunks; chunk; chunk = chunk->next)
        for (int i = 0; i < pool->chunk_size; i++) {
            char *element = chunk->memory + (size_t)i * pool->stride;
            if (!on_free_list(pool, element)) function(data, element + pool->header);
        }
}

void FastMalloc_Usage(int indent, FastMalloc *pool, const char *name)
{
    Dump_print(indent, "%s: totals=%d, unused=%d\n", name, pool->chunk_count * pool->chunk_size,
               free_length(pool));
}

void FastMalloc_Clean(FastMalloc *pool)
{
    while (FMChunk *chunk = pool->chunks) {
        pool->chunks = chunk->next;
        if (pool->exit_func)
            for (int i = 0; i < pool->chunk_size; i++)
                pool->exit_func(pool->exit_data, chunk->memory + (size_t)i * pool->stride + pool->header);
        QUARN_FREE(chunk->memory);
        QUARN_FREE(chunk);
    }
    pool->chunk_count = 0;
    pool->free_head = pool->free_tail = nullptr;
    QUARN_FREE(pool->name);
    pool->name = nullptr;
}

void FastMalloc_Free(FastMalloc *pool)
{
    if (!pool) return;
    FastMalloc_Clean(pool);
    QUARN_FREE(pool);
}
