// Stand-ins of the translator's part in the translation-management instructions.
#include "isa/hooks/translator_tlbi.h"

// STAND-IN: the segment table and the effective-address maps keep no per-segment or per-page
// entries yet, so there is nothing to drop.
__attribute__((weak)) void segtab_tlbie(ThreadState *, uint64_t) {}
__attribute__((weak)) void EMAT_TLBIA(ThreadState *) {}
__attribute__((weak)) void EMAT_INVALIDATE_EA(ThreadState *, uint64_t, const char *) {}

// STAND-IN: the parallel translator's workers are not built; the lock has no one to exclude.
__attribute__((weak)) void pturbo_acquire_tlbi_lock(void) {}
__attribute__((weak)) void pturbo_release_tlbi_lock(void) {}
