// Growable pointer arrays.
#include "translator/darr.h"

#include <cstring>

#include "runtime/alloc.h"

void darr_init(darr *array)
{
    array->count = 0;
    array->items = nullptr;
}

void **darr_ensure(darr *array, uint32_t index)
{
    if (index >= array->count) {
        if (index == UINT32_MAX) return nullptr;
        const uint32_t count = index + 1;
        void **items = (void **)quarn_realloc(array->items, (size_t)count * sizeof(void *), sizeof(void *),
                                              "void*", __FILE__, __LINE__);
        if (!items) return nullptr;
        memset(items + array->count, 0, (size_t)(count - array->count) * sizeof(void *));
        array->items = items;
        array->count = count;
    }
    return &array->items[index];
}

void darr_free(darr *array)
{
    QUARN_FREE(array->items);
    darr_init(array);
}
