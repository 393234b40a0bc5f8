// Stand-ins of the translator calls of the translation-state changes.
#include "mmu/hooks/translator_xlate.h"

// STAND-IN: trace libraries are not built; no tlbie record is written.
__attribute__((weak)) void trc_tlbie(uint64_t) {}
