// Stand-ins of the effective-address-map invalidation and the trace-library switch.
#include "processor/hooks/emat_invalidate.h"

// STAND-IN: effective-address maps are not built, so there is nothing to invalidate.
__attribute__((weak)) void EMAT_INVALIDATE_ALL(ThreadState *, int32_t, const char *) {}
