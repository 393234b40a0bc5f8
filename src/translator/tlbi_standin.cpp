// Stand-in of the translator's TLB-invalidation lock.
#include "isa/hooks/translator_tlbi.h"

// STAND-IN: the parallel translator's workers are not built; the lock has no one to exclude.
__attribute__((weak)) void pturbo_acquire_tlbi_lock(void) {}
__attribute__((weak)) void pturbo_release_tlbi_lock(void) {}
