// Stand-ins of the cycle-level core's priority and user-mode notices.
#include "processor/hooks/cycle_core_smt.h"

// STAND-IN: the cycle-level core (issue shares per thread) is not built; nothing to tell.
__attribute__((weak)) void CycleCore_set_smt_priority(ThreadState *, int32_t) {}

// STAND-IN: the cycle-level core's statistics buckets are not built; nothing to reset.
__attribute__((weak)) void CycleCore_set_user_mode(ThreadState *) {}
