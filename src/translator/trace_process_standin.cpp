// Stand-ins of the process and partition events of the trace libraries.
#include "translator/trace_process.h"

// STAND-IN: trace libraries cannot be loaded yet, so no library hears of a process change.
__attribute__((weak)) void TRC_SET_PID(int64_t) {}

// STAND-IN: see TRC_SET_PID; no library hears of a partition change.
__attribute__((weak)) void trc_lpid(uint32_t) {}
