// Stand-ins of the translator's engines and statistics hooks.
#include "exec/hooks/engines.h"

// STAND-IN: the parallel translator is not built; it executes nothing.
__attribute__((weak)) uint32_t pturbo_go(ThreadState *)
{
    return 0;
}

// STAND-IN: the instruction profile is not built; it is off and has no entries.
__attribute__((weak)) int prof_is_on(void)
{
    return 0;
}
__attribute__((weak)) prof_entry *prof_lookup(uint32_t, uint32_t, uint64_t)
{
    return nullptr;
}

// STAND-IN: trace libraries are not built; nothing is recorded.
__attribute__((weak)) void trc_smt(ThreadState *) {}
__attribute__((weak)) void trc_mem(uint64_t, prof_entry *) {}
__attribute__((weak)) void trc_ins(uint32_t, uint64_t, prof_entry *) {}

// STAND-IN: the instruction mix is not built; it is off.
__attribute__((weak)) int imix_is_on(void)
{
    return 0;
}
