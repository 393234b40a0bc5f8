// Stand-ins of the translator calls of the translation-state changes.
#include "mmu/hooks/translator_xlate.h"

<<<<<<< HEAD
// STAND-IN: the parallel translator is not built; no other host thread translates.
__attribute__((weak)) void pturbo_acquire_xlate_lock(void) {}
__attribute__((weak)) void pturbo_release_xlate_lock(void) {}
=======
// STAND-IN: trace libraries are not built; no tlbie record is written.
__attribute__((weak)) void trc_tlbie(uint64_t) {}
>>>>>>> main
