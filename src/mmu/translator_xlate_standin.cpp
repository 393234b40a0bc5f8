// Stand-ins of the translator calls of the translation-state changes.
#include "mmu/hooks/translator_xlate.h"

// STAND-IN: the parallel translator is not built; no other host thread translates.
__attribute__((weak)) void pturbo_acquire_xlate_lock(void) {}
__attribute__((weak)) void pturbo_release_xlate_lock(void) {}
