// The two-key hash table.
#include "runtime/hash2.h"

#include <cstring>

#include "runtime/message.h"

namespace
{

// Unlinks an entry found in its bucket after previous (null for the head).
HASH2_Entry *unlink(HASH2_Table *table, uint32_t bucket, HASH2_Entry *previous, HASH2_Entry *entry)
{
    if (previous)
        previous->bucket_next = entry->bucket_next;
    else
        table->buckets[bucket] = entry->bucket_next;
    entry->bucket_next = nullptr;
    table->bucket_sizes[bucket]--;
    if (entry->previous)
        entry->previous->next = entry->next;
    else
        table->first = entry->next;
    if (entry->next)
        entry->next->previous = entry->previous;
    else
        table->last = entry->previous;
    entry->previous = entry->next = nullptr;
    return entry;
}

inline uint64_t key_of(const HASH2_Entry *entry, int word)
{
    return word ? entry->key1 : entry->key0;
}

} // namespace

void HASH2_InitTable(HASH2_Table *table)
{
    memset(table, 0, sizeof *table);
}

void HASH2_AddEntry(HASH2_Table *table, HASH2_Entry *entry)
{
    uint32_t bucket = HASH2_vHash(entry->key0, entry->key1);
    table->entries_added++;
    table->bucket_sizes[bucket]++;
    entry->bucket_next = table->buckets[bucket];
    table->buckets[bucket] = entry;
    entry->sorted_next = nullptr;
    entry->next = nullptr;
    entry->previous = table->last;
    if (table->last)
        table->last->next = entry;
    else
        table->first = entry;
    table->last = entry;
}

HASH2_Entry *HASH2_RemoveEntry(HASH2_Table *table, uint64_t key0, uint64_t key1)
{
    uint32_t bucket = HASH2_vHash(key0, key1);
    HASH2_Entry *previous = nullptr;
    for (HASH2_Entry *entry = table->buckets[bucket]; entry; previous = entry, entry = entry->bucket_next)
        if (entry->key0 == key0 && entry->key1 == key1) return unlink(table, bucket, previous, entry);
    return nullptr;
}

HASH2_Entry *HASH2_RemoveEntryByAddr(HASH2_Table *table, HASH2_Entry *target)
{
    if (!target) return nullptr;
    uint32_t bucket = HASH2_vHash(target->key0, target->key1);
    HASH2_Entry *previous = nullptr;
    for (HASH2_Entry *entry = table->buckets[bucket]; entry; previous = entry, entry = entry->bucket_next)
        if (entry == target) return unlink(table, bucket, previous, entry);
    return nullptr;
}

void HASH2_SortValues(HASH2_Table *table, int word)
{
    int stick_at_front = 0, start_at_last = 0, start_at_front = 0;
    HASH2_Entry *first = nullptr, *last = nullptr, *inserted = nullptr;
    for (int bucket = 0; bucket < HASH2_BUCKETS; bucket++) {
        for (HASH2_Entry *entry = table->buckets[bucket]; entry; entry = entry->bucket_next) {
            uint64_t key = key_of(entry, word);
            if (!first || key <= key_of(first, word)) {
                entry->sorted_next = first;
                first = entry;
                if (!last) last = entry;
                stick_at_front++;
            } else {
                // The search starts at the last inserted entry when the key lies beyond it.
                HASH2_Entry *at = first;
                if (key > key_of(inserted, word)) {
                    at = inserted;
                    start_at_last++;
                } else {
                    start_at_front++;
                }
                while (at->sorted_next && key_of(at->sorted_next, word) < key)
                    at = at->sorted_next;
                entry->sorted_next = at->sorted_next;
                at->sorted_next = entry;
                if (at == last) last = entry;
            }
            inserted = entry;
        }
    }
    table->sorted_first = first;
    table->sorted_last = last;
    SIM_PRINT("HASH2_SortValues results stick_at_front=%d, start_at_last=%d, start_at_front=%d\n",
              stick_at_front, start_at_last, start_at_front);
}

void HASH2_PrintTableStats(HASH2_Table *table)
{
    SIM_PRINT("Entries Added     : %ld\n", (long)table->entries_added);
    SIM_PRINT("Value Buckets:\n");
    int bucket = 0;
    while (bucket < HASH2_BUCKETS) {
        if (table->bucket_sizes[bucket]) {
            SIM_PRINT("(%d) %d\n", bucket, (int)table->bucket_sizes[bucket]);
            bucket++;
            continue;
        }
        int run = bucket;
        while (bucket < HASH2_BUCKETS && !table->bucket_sizes[bucket])
            bucket++;
        SIM_PRINT("%d - %d were 0\n", run, bucket);
    }
}
