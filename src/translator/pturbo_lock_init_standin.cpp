// Stand-ins of the parallel translator's lock set-up.
#include "processor/hooks/pturbo_locks.h"

// STAND-IN: the parallel translator's lock bookkeeping (lock statistics) is not built; the lock is
// made free and named.
__attribute__((weak)) void pturbo_spin_lock_init(pturbo_lock_s *lock, const char *name)
{
    if (!lock) return;
    lock->word = 0;
    lock->name = name;
}

// STAND-IN: see pturbo_spin_lock_init; the lock is only made free.
__attribute__((weak)) void pturbo_spin_lock_destroy(pturbo_lock_s *lock)
{
    if (lock) lock->word = 0;
}
