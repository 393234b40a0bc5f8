// A thread's transactional footprint: commit and release.
#include "mmu/tm/htm_footprint.h"

// STAND-IN: the footprint's line stores are not built; transactional accesses go to memory, so a
// footprint never holds a line and commit and release only reset its counts.
void commit_user_cache(IOPDesc *) {}

// STAND-IN: see commit_user_cache.
void release_cache(htm_cache *cache)
{
    if (!cache) return;
    cache->used_lines = 0;
    cache->stored_lines = 0;
}
