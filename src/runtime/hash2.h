// HASH2_Table: an intrusive hash table of entries keyed by two 64-bit words. The entry header
// sits at the start of the user's record, so the table never allocates. Besides its 65,536
// bucket chains it keeps every entry in one insertion-ordered list. Lookups are on per-instruction
// paths (breakpoint and trigger checks): a 16-bit hash of shifts and XORs, and move-to-front in
// buckets of six or more entries.
#pragma once

#include <cstdint>

constexpr int HASH2_BUCKETS = 65536;
// Buckets this full move a found entry to their front.
constexpr uint32_t HASH2_CROWDED_BUCKET = 6;

struct HASH2_Entry {
    uint64_t key0;
    uint64_t key1;
    HASH2_Entry *sorted_next; // link of the list built by HASH2_SortValues
    HASH2_Entry *bucket_next;
    HASH2_Entry *previous; // links of the insertion-ordered list
    HASH2_Entry *next;
};

struct HASH2_Table {
    uint64_t entries_added; // raised by every insertion, never lowered
    uint32_t bucket_sizes[HASH2_BUCKETS];
    HASH2_Entry *buckets[HASH2_BUCKETS];
    HASH2_Entry *first, *last;               // the insertion-ordered list
    HASH2_Entry *sorted_first, *sorted_last; // the list built by HASH2_SortValues
};

inline uint32_t HASH2_vHash(uint64_t key0, uint64_t key1)
{
    return (uint32_t)(((key0 & ~uint64_t(3)) ^ (key1 >> 3) ^ (key0 >> 2)) & 0xFFFF);
}

void HASH2_InitTable(HASH2_Table *table);
// The caller has filled both keys. Duplicates are not checked; the newer entry is found first.
void HASH2_AddEntry(HASH2_Table *table, HASH2_Entry *entry);

// The first entry of the bucket with both keys equal, or null; moved to its bucket's front when
// the bucket is crowded.
inline HASH2_Entry *HASH2_GetByValue(HASH2_Table *table, uint64_t key0, uint64_t key1)
{
    uint32_t bucket = HASH2_vHash(key0, key1);
    HASH2_Entry *previous = nullptr;
    for (HASH2_Entry *entry = table->buckets[bucket]; entry; previous = entry, entry = entry->bucket_next) {
        if (entry->key0 != key0 || entry->key1 != key1) continue;
        if (previous && table->bucket_sizes[bucket] >= HASH2_CROWDED_BUCKET) {
            previous->bucket_next = entry->bucket_next;
            entry->bucket_next = table->buckets[bucket];
            table->buckets[bucket] = entry;
        }
        return entry;
    }
    return nullptr;
}

// Unlink the entry from its bucket and the ordered list and return it; null when absent.
HASH2_Entry *HASH2_RemoveEntry(HASH2_Table *table, uint64_t key0, uint64_t key1);
HASH2_Entry *HASH2_RemoveEntryByAddr(HASH2_Table *table, HASH2_Entry *entry);

// Builds the sorted list of every entry by key word 0 or 1, ascending, and prints how the
// insertions went.
void HASH2_SortValues(HASH2_Table *table, int word);
// Prints the entries added and the bucket sizes.
void HASH2_PrintTableStats(HASH2_Table *table);
