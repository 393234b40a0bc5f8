// Counted anonymous host mappings.
#include "runtime/utils_mmap.h"

#include <sys/mman.h>

#include "runtime/message.h"

int64_t utils_mapping_count = 0;
int64_t utils_mapped_bytes = 0;

void *utils_mmap(const char *name, size_t size, int protection, int commit, void *fallback)
{
    // PTURBO workers map pages too (overflow pages, translation tables): count atomically.
    __atomic_add_fetch(&utils_mapping_count, 1, __ATOMIC_RELAXED);
    __atomic_add_fetch(&utils_mapped_bytes, (int64_t)size, __ATOMIC_RELAXED);
    int flags = MAP_PRIVATE | MAP_ANONYMOUS;
    if (!commit) flags |= MAP_NORESERVE;
    void *address = mmap(nullptr, size, protection, flags, -1, 0);
    if (address == MAP_FAILED) {
        sim_error("can't allocate %s (%d bytes)\n", name ? name : "", (int)size);
        return fallback;
    }
    return address;
}

void utils_unmap(void *address, size_t size)
{
    if (!address) return;
    __atomic_sub_fetch(&utils_mapping_count, 1, __ATOMIC_RELAXED);
    __atomic_sub_fetch(&utils_mapped_bytes, (int64_t)size, __ATOMIC_RELAXED);
    munmap(address, size);
}
