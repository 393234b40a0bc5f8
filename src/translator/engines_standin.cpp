// Stand-in of the parallel translator's engine.
#include "exec/hooks/engines.h"

// STAND-IN: the parallel translator is not built; it executes nothing.
__attribute__((weak)) uint32_t pturbo_go(ThreadState *)
{
    return 0;
}

