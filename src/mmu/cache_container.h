// The cache-containment checker: a record of every line a processor touches that stops the run
// when code needs more lines in a set than the chosen cache has ways. (`cc_getCacheTypeByName` and
// `cc_CacheContainer_init` are declared in mmu/checkers.h, `cc_CheckAccess` in
// mmu/data_path_hooks.h.)
#pragma once

#include <cstdint>

#include "mmu/checkers.h"

struct cc_CacheContainer_s {
    char *name;
    int32_t type;
    const char *display_name;
    int32_t line_log2, line_size;
    int32_t entries_log2, entries;
    int32_t slice_log2, slices;
    int32_t way_log2, ways;
    int32_t set_log2, sets;
    uint64_t index_stride;
    int32_t hash_terms;
    uint64_t index_mask; // the one hash term: (address & mask) >> shift
    int32_t index_shift;
    uint64_t *entry; // line address | kinds seen (1 fetch, 2 read, 4 write); 0 empty
};

// The display name of a type ("Dravo+ L2", "Zindle L2", "Zindle L3").
const char *cc_getCacheNameByType(int32_t type);
// Records an access of that kind (1 fetch, 2 read, 4 write) to the physical address; a line that
// finds no free way is the fatal error that stops the run.
void cc_Container_Access(cc_CacheContainer_s *checker, uint64_t pa, int kind);
void cc_CacheContainer_free(cc_CacheContainer_s *checker);
