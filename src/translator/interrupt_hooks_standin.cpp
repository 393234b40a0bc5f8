// Stand-ins of the translator hooks of the interrupt code.
#include "interrupts/hooks/translator_hooks.h"

// STAND-IN: the parallel translator is not built; there is no task to stop.
__attribute__((weak)) void pturbo_zap_thread(ThreadState *, const char *) {}
