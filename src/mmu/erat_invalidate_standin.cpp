#include "interrupts/hooks/erat_invalidate.h"

// STAND-IN: the ERAT maintenance is not built; the translation entry re-translates every access,
// so there is nothing cached to empty.
__attribute__((weak)) void ERAT_InvalidateAll(ThreadState *, int32_t, const char *) {}
