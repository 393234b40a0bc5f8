// Versioned values (aval): a value of a fixed size with a version and waiting readers. A read copies
// the value when it holds the wanted version, else registers the reader with its completion
// counter (counted up); setting a version copies the value to the readers waiting for that
// version and counts their counters down. Value storage and reader records come from the
// kernel's value-broadcast pools.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/counter.h"
#include "kernel/tsim.h"

struct aval_reader_s {
    aval_reader_s *next;
    void *destination;
    counter_s *counter;
    uint64_t version;
};

struct aval_s {
    tsim_s *tsim;
    size_t size;
    void *value;
    uint64_t version;
    int32_t valid; // a value has been set
    aval_reader_s *readers;
};

// 0 when the value storage cannot be had.
int aval_init(aval_s *aval, tsim_s *tsim, size_t size);
aval_s *aval_new(tsim_s *tsim, size_t size);
// 1 when the value of that version was copied now; 0 when the reader was registered (or could
// not be, "can't get per tsim data for aval").
int aval_get(aval_s *aval, uint64_t version, void *destination, counter_s *counter);
// Stores the value as that version and serves the readers waiting for it.
void aval_set(aval_s *aval, uint64_t version, const void *source);
// 1 when the value held is of that version.
int aval_mine(aval_s *aval, uint64_t version);
// Reports "aval has readers" and drops them (their counters stay up).
void aval_cleanup(aval_s *aval);
void aval_free(aval_s *aval);
