// The process and partition events of loaded trace libraries: a change of the current guest
// process id and a write of LPIDR. Defined by the trace libraries (trace/trace_lib.cpp).
#pragma once

#include <cstdint>

// Tells every loaded trace library that the current process id changed (its "evt_pid" method).
void TRC_SET_PID(int64_t pid);
// Sends the LPID event (12) with the value to the trace libraries.
void trc_lpid(uint32_t lpid);
