// Stand-in of the simulator support call.
#include "mmu/hooks/sim_support.h"

long sim_support_standin_calls = 0;

// STAND-IN: the simulator support calls are not built; the call is counted and completes.
__attribute__((weak)) int SimSupport(IOPDesc *)
{
    sim_support_standin_calls++;
    return 1;
}
