// A hit/miss cache model of addresses only, with next-level chaining and counters; a library
// interface for models and plug-ins.
#pragma once

#include <cstdint>
#include <cstdio>

struct simple_cache_tag_t {
    uint64_t tag;
    uint64_t stamp; // recency; 0 invalid
    int32_t dirty;
};

struct simple_cache_t {
    char *name;
    uint64_t size;
    uint32_t ways;
    uint32_t line_size;
    uint64_t user;
    uint32_t line_log2;
    uint64_t set_mask;
    uint32_t way_log2;
    simple_cache_t *next_level;
    FILE *trace; // every access writes a line when set
    uint64_t read_hits, read_misses, write_hits, write_misses, cast_outs;
    simple_cache_tag_t *tags; // size / line size entries
};

// Null when a size is not a power of two.
simple_cache_t *simple_cache_init(const char *name, uint64_t size, uint32_t ways, uint32_t line_size,
                                  uint64_t user);
// 1 hit, 0 miss.
int simple_cache_read(simple_cache_t *cache, uint64_t address);
int simple_cache_write(simple_cache_t *cache, uint64_t address);
void simple_cache_set_next_level(simple_cache_t *cache, simple_cache_t *next);
// Writes every access ("r 0x%016lX %d\n", "w ...") to the file from now on; the cache closes it.
void simple_cache_set_trace(simple_cache_t *cache, FILE *trace);
void simple_cache_stats_print(simple_cache_t *cache);
void simple_cache_free(simple_cache_t *cache);
