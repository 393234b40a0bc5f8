// Invalidation of a thread's effective-address maps and the trace-library switch.
// Declared here for the floors that call it; defined by the translator (translator/emat.cpp) and
// the trace libraries (trace/trace_lib.cpp).
#pragma once

#include <cstdint>

struct ThreadState;

// Invalidates the thread's eight effective-address maps; nothing without a thread.
void EMAT_INVALIDATE_ALL(ThreadState *thread, int32_t unused, const char *reason);
// 1 when a trace library is loaded and tracing is on.
int TRC_IS_ON(void);
