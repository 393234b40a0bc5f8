// Stand-ins of the performance-monitor event sources and event names.
#include "exec/pmc_events.h"

// STAND-IN: the event sources of the counting model are not built; every event counts nothing.
__attribute__((weak)) uint64_t PMC_get_stat(ThreadState *, int32_t)
{
    return 0;
}

// STAND-IN: the event-name table of the counting model is not built; it holds no names.
__attribute__((weak)) extern const IDNamePair pmcEventName[] = {{0, nullptr}};
