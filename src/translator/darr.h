// darr: a growable array of pointers, indexed from 0; slots not yet set are null.
#pragma once

#include <cstdint>

struct darr {
    uint32_t count;
    void **items;
};

// count 0, no items.
void darr_init(darr *array);
// The address of slot index, first growing the array to index + 1 slots (new slots null); null
// when the memory cannot be had.
void **darr_ensure(darr *array, uint32_t index);
// Releases the items; the array is empty again.
void darr_free(darr *array);
