#include "interrupts/hooks/interrupt_notice.h"

// STAND-IN: the cache timing model is not built; it has nothing to note.
__attribute__((weak)) void PE_recv_interrupt(ThreadState *) {}
