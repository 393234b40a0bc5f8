// The simple cache model.
#include "mmu/simple_cache.h"

#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

uint64_t stamp_counter = 1; // process-wide recency stamps; 0 marks an invalid way

bool log2_of(uint64_t value, uint32_t *log2)
{
    if (value == 0 || (value & (value - 1))) return false;
    *log2 = (uint32_t)__builtin_ctzll(value);
    return true;
}

simple_cache_tag_t *find(simple_cache_t *c, uint64_t tag)
{
    simple_cache_tag_t *set = &c->tags[(tag & c->set_mask) << c->way_log2];
    for (uint32_t w = 0; w < c->ways; w++)
        if (set[w].stamp && set[w].tag == tag) return &set[w];
    return nullptr;
}

void fill(simple_cache_t *c, uint64_t tag, int dirty)
{
    simple_cache_tag_t *set = &c->tags[(tag & c->set_mask) << c->way_log2];
    simple_cache_tag_t *way = nullptr;
    for (uint32_t w = 0; w < c->ways && !way; w++)
        if (set[w].tag == tag && set[w].stamp == 0) way = &set[w];
    for (uint32_t w = 0; w < c->ways && !way; w++)
        if (set[w].stamp == 0) way = &set[w];
    if (!way) {
        way = &set[0];
        for (uint32_t w = 1; w < c->ways; w++)
            if (set[w].stamp < way->stamp) way = &set[w];
        if (way->dirty) {
            c->cast_outs++;
            if (c->next_level) simple_cache_write(c->next_level, way->tag << c->line_log2);
        }
    }
    way->tag = tag;
    way->stamp = stamp_counter++;
    way->dirty = dirty;
}

} // namespace

simple_cache_t *simple_cache_init(const char *name, uint64_t size, uint32_t ways, uint32_t line_size,
                                  uint64_t user)
{
    uint32_t size_log2, way_log2, line_log2;
    if (!log2_of(size, &size_log2) || !log2_of(ways, &way_log2) || !log2_of(line_size, &line_log2))
        return nullptr;
    if (size_log2 < line_log2 + way_log2) return nullptr; // not even one set
    simple_cache_t *c = QUARN_ZALLOC(1, simple_cache_t);
    if (!c) return nullptr;
    c->name = REMEMBER_STRING(name ? name : "");
    c->size = size;
    c->ways = ways;
    c->line_size = line_size;
    c->user = user;
    c->line_log2 = line_log2;
    c->way_log2 = way_log2;
    c->set_mask = (1ull << (size_log2 - line_log2 - way_log2)) - 1;
    c->tags = QUARN_ZALLOC(size / line_size, simple_cache_tag_t);
    if (!c->tags) {
        simple_cache_free(c);
        return nullptr;
    }
    return c;
}

int simple_cache_read(simple_cache_t *c, uint64_t address)
{
    if (!c) return 0;
    const uint64_t tag = address >> c->line_log2;
    int hit = 0;
    if (simple_cache_tag_t *way = find(c, tag)) {
        way->stamp = stamp_counter++;
        c->read_hits++;
        hit = 1;
    } else {
        c->read_misses++;
        fill(c, tag, 0);
        if (c->next_level) simple_cache_read(c->next_level, address);
    }
    if (c->trace) fprintf(c->trace, "r 0x%016lX %d\n", (unsigned long)address, hit);
    return hit;
}

int simple_cache_write(simple_cache_t *c, uint64_t address)
{
    if (!c) return 0;
    const uint64_t tag = address >> c->line_log2;
    int hit = 0;
    if (simple_cache_tag_t *way = find(c, tag)) {
        way->stamp = stamp_counter++;
        way->dirty = 1;
        c->write_hits++;
        hit = 1;
    } else {
        c->write_misses++;
        fill(c, tag, 1);
        if (c->next_level) simple_cache_read(c->next_level, address);
    }
    if (c->trace) fprintf(c->trace, "w 0x%016lX %d\n", (unsigned long)address, hit);
    return hit;
}

void simple_cache_set_next_level(simple_cache_t *c, simple_cache_t *next)
{
    if (c) c->next_level = next;
}

void simple_cache_set_trace(simple_cache_t *c, FILE *trace)
{
    if (!c) return;
    if (c->trace && c->trace != trace) fclose(c->trace);
    c->trace = trace;
}

void simple_cache_stats_print(simple_cache_t *c)
{
    if (!c) return;
    SIM_PRINT("Simple Cache Statistics for %s\n", c->name);
    SIM_PRINT("  Read Hits:      %16ld\n", (long)c->read_hits);
    SIM_PRINT("  Read Misses:    %16ld\n", (long)c->read_misses);
    SIM_PRINT("  Write Hits:     %16ld\n", (long)c->write_hits);
    SIM_PRINT("  Write Misses:   %16ld\n", (long)c->write_misses);
    SIM_PRINT("  Cast Outs:      %16ld\n", (long)c->cast_outs);
}

void simple_cache_free(simple_cache_t *c)
{
    if (!c) return;
    if (c->name) FORGET_STRING(c->name);
    QUARN_FREE(c->tags);
    if (c->trace) fclose(c->trace);
    QUARN_FREE(c);
}
