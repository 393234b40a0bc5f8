// Stand-ins of the translator hooks of the interrupt code.
#include "interrupts/hooks/translator_hooks.h"

// STAND-IN: the parallel translator is not built; there is no task to stop.
__attribute__((weak)) void pturbo_zap_thread(ThreadState *, const char *) {}

// STAND-IN: the trace libraries are not built; nothing listens to mode changes.
__attribute__((weak)) void trc_mode_change(uint64_t, uint64_t, uint64_t) {}
