// Stand-in of the cycle-level core's notice of a tool write.
#include "core/cycle_core_tcl.h"

// STAND-IN: the cycle-level core does not exist, so there is nothing to restart; outside CYCLE
// mode this is the exact behaviour.
__attribute__((weak)) void CycleCore_TCL_forced(ThreadState *) {}
