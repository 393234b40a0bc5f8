#include "interrupts/hooks/exception_start.h"

// STAND-IN: the cycle-level core is not built; it has no pipeline to flush.
__attribute__((weak)) void CycleCore_exception_start(ThreadState *, uint64_t) {}
