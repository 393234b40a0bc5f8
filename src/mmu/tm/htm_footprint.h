// A thread's transactional footprint: the lines its running transaction read or wrote, with the
// counts the capacity rules use; its commit to memory at the end of a transaction and its release
// when the transaction fails.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

struct htm_cache {
    int32_t thread_index;
    int32_t used_lines;   // valid lines of the footprint
    uint64_t start_count; // the thread's instruction count at its last outermost tbegin. (0: none)
    ThreadState *thread;
    int32_t stored_lines; // lines stored into, bounded by the store-line limit
};

// Writes the footprint of the instruction's thread to memory and empties it (outermost tend.).
void commit_user_cache(IOPDesc *iop);
// Drops the footprint without writing it.
void release_cache(htm_cache *cache);
