// Performance-monitor groups: the per-thread counter record (PMCInfo) and the global event-group
// tables that say, for the event-select fields a guest writes into MMCR0, MMCR1 and MMCRA, which
// group of six events the counters PMC1 to PMC6 count.
#pragma once

#include <cstdint>

struct ThreadState;
struct job_s;

constexpr int PMC_COUNTERS = 6;
constexpr int32_t PMC_INITIAL_GROUP = 56;
constexpr int32_t PMC_INITIAL_DELTA = 100;
constexpr uint64_t PMC_OVERFLOW_POINT = 0x100000000ull;

// The MMCR0 and MMCRA bits that select a group.
constexpr uint64_t PMC_MMCR0_SELECT_MASK = 0x1F3E;
constexpr uint64_t PMC_MMCRA_SELECT_MASK = 0xFFB001;

struct PMCInfo;

// One counter: it reads as the event source minus the baseline and overflows at the overflow
// point, watched by its own kernel job once alerts are enabled.
struct PMCCounter {
    PMCInfo *owner;
    uint64_t baseline;       // 0 at start
    uint64_t overflow_point; // PMC_OVERFLOW_POINT at start
    job_s *watcher;          // "pmcwatcher"; null until first needed
    int32_t index;           // 0 to 5
};

struct PMCInfo {
    ThreadState *thread;
    PMCCounter counters[PMC_COUNTERS];
    int32_t group; // the selected event group
    int32_t delta; // events before the overflow point at which the watcher wakes
};

// A group's control-register patterns.
struct PMC_GroupMap {
    int32_t group_id;
    uint64_t mmcr0; // compared with MMCR0 AND PMC_MMCR0_SELECT_MASK
    uint64_t mmcr1; // compared with MMCR1
    uint64_t mmcra; // compared with MMCRA AND PMC_MMCRA_SELECT_MASK
};

// The selected tables: six event numbers per group (counter n of group g at g × 6 + n − 1), the
// control-register map in table order, and the number of groups (0: no tables).
extern const int32_t *pmcGroups;
extern const PMC_GroupMap *pmcGroupMap;
extern int32_t pmcGroupCount;

// Creates the thread's record (group 56) and selects the "zolt" tables; the core must be of type
// 15, any other is a fatal internal error.
void PMC_start(ThreadState *thread);
// Frees the counters' watcher jobs and the record.
void PMC_stop(ThreadState *thread);
// Selects the tables of a base ("tarvis"/"prell": none; "bosk"/"zolt": the built-in 144 groups);
// an unknown name is a warning and changes nothing.
void PMC_init_tables(const char *base);
// Makes the first group whose patterns match the thread's MMCR0, MMCR1 and MMCRA current, prints
// it and resets the counters; no match changes nothing.
void PMC_set_group_id(ThreadState *thread);
