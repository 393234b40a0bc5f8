// Stand-in of the performance-monitor event names.
#include "exec/pmc_events.h"

// STAND-IN: the event-name table of the counting model is not built; it holds no names.
__attribute__((weak)) extern const IDNamePair pmcEventName[] = {{0, nullptr}};
