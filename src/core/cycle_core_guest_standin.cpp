// Stand-ins of the cycle-level core's halt delay and guest barrier.
#include "core/cycle_core_guest.h"

// STAND-IN: the cycle-level core does not exist yet (CYCLE mode runs nothing); there is no
// pipeline to hold.
__attribute__((weak)) void CycleCore_thread_delay(ThreadState *, uint64_t) {}

// STAND-IN: see CycleCore_thread_delay; no thread is stalled.
__attribute__((weak)) void CycleCore_barrier(ThreadState *, int32_t) {}
