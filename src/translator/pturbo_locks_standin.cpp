// Stand-ins of the parallel translator's locks.
#include "processor/hooks/pturbo_locks.h"

// STAND-IN: the parallel translator (PTURBO) is not built, so no worker thread ever competes for
// the allocator; taking and releasing its allocation lock does nothing.
__attribute__((weak)) void pturbo_acquire_malloc_lock(void) {}

// STAND-IN: see pturbo_acquire_malloc_lock.
__attribute__((weak)) void pturbo_release_malloc_lock(void) {}

// STAND-IN: without parallel workers a spin lock is never contended; the compare-and-swap loop and
// the "Spin unlock already free" check come with the parallel translator.
__attribute__((weak)) void pturbo_spin_lock(pturbo_lock_s *) {}

// STAND-IN: see pturbo_spin_lock.
__attribute__((weak)) void pturbo_spin_unlock(pturbo_lock_s *) {}
