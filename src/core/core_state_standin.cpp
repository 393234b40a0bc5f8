#include "processor/hooks/core_state.h"

// STAND-IN: the out-of-order core model is not built yet; no pipeline exists to stall or unstall.
// Weak, so that the core model (and tests that watch the calls) can replace it.
__attribute__((weak)) void Thread_changing_state(ThreadState *) {}

// STAND-IN: see Thread_changing_state; the core model never exists.
void Processor_changing_state(ProcessorState *) {}
