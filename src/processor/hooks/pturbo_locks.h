// The parallel translator's locks as the processor code takes them: the allocation lock that
// brackets allocations made by a parallel worker, and the named spin locks of a thread.
// Declared here for the floors that call it; defined by the translator
// (translator/pturbo_locks.cpp).
#pragma once

#include <cstdint>

struct pturbo_lock_s {
    volatile int32_t word; // 0 free, 1 held
    const char *name;      // e.g. "Raise Exception"
};

void pturbo_acquire_malloc_lock(void);
void pturbo_release_malloc_lock(void);
// A free lock of that name (the name is not copied); destroying it releases nothing.
void pturbo_spin_lock_init(pturbo_lock_s *lock, const char *name);
void pturbo_spin_lock_destroy(pturbo_lock_s *lock);
void pturbo_spin_lock(pturbo_lock_s *lock);
void pturbo_spin_unlock(pturbo_lock_s *lock);
