// Stand-ins of the trace-library branch events.
#include "isa/hooks/trace_events.h"

// STAND-IN: trace libraries cannot be loaded yet, so none listens.
__attribute__((weak)) int trc_is_active(int)
{
    return 0;
}

// STAND-IN: see trc_is_active; there is nobody to tell.
__attribute__((weak)) void trc_branch(uint64_t, uint64_t, int, prof_entry *, uint32_t, int) {}
