// The machine's transactional-memory block: its configuration, footprint geometry, counters and
// the per-thread footprint table. Allocated zeroed with the machine; the transactional-memory model
// (mmu/tm) fills it on first use. The register accessors touch the two first fields.
#pragma once

#include <cstdint>

struct htm_cache;

constexpr int HTM_FAILURE_TYPES = 16;

struct htm_data {
    uint32_t enabled;          // the initialised flag: non-zero once the model has started
    int32_t max_nesting_level; // deepest transaction nesting allowed (1, 3 or 7 from SIM_CTRL)

    int32_t thread_count; // the machine's "Thread" objects
    // Footprint geometry.
    int32_t lines_log2;
    uint32_t line_count;
    uint32_t store_line_limit;
    int32_t set_size_log2;
    int32_t line_size_log2;
    uint32_t line_size;
    uint64_t line_offset_mask;
    float inject_rate; // failure injection rate, [0, 1]
    int32_t os_supports_tm;
    int32_t texasr_extra_info;
    int32_t fxcc;
    uint32_t transaction_id_counter;

    // Statistics.
    uint32_t tbegins_total;
    uint32_t tbegins_outer;
    uint32_t tends_total;
    uint32_t tends_non_transactional;
    uint32_t tends_outer;
    uint32_t taborts_transactional;
    uint32_t taborts_non_transactional;
    uint64_t instructions_in_tm;
    uint64_t instructions_failed;
    uint64_t instructions_succeeded;
    uint32_t false_sharing_load_hit_store;
    uint32_t false_sharing_store_hit_load;
    uint32_t failure_counts[HTM_FAILURE_TYPES];
    uint64_t wasted_instructions[HTM_FAILURE_TYPES];
    uint32_t extra_atomicity_violations;

    // One footprint per thread (thread_count of them), allocated on first use.
    htm_cache *caches;
};
