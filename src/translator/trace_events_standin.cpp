// Stand-ins of the trace-library branch events.
#include "isa/hooks/trace_events.h"

// STAND-IN: trace libraries cannot be loaded yet, so none listens.
__attribute__((weak)) int trc_is_active(int)
{
    return 0;
}

// STAND-IN: see trc_is_active; there is nobody to tell.
__attribute__((weak)) void trc_branch(uint64_t, uint64_t, int, prof_entry *, uint32_t, int) {}

// STAND-IN: trace libraries cannot be loaded yet, so no counter is bound.
__attribute__((weak)) int cnt_is_active(int)
{
    return 0;
}

// STAND-IN: the trace counters of the libraries; nothing reads them yet.
__attribute__((weak)) uint64_t *trc_counts(void)
{
    static uint64_t counters[4];
    return counters;
}

// STAND-IN: trace libraries cannot be loaded yet; nothing is recorded around translated code.
__attribute__((weak)) void TRC_BEFORE(ThreadState *, uint32_t) {}
__attribute__((weak)) void TRC_AFTER(ThreadState *, uint64_t) {}
