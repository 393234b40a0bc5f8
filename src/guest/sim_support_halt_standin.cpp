// Stand-in of the sim-support halt delay.
#include "guest/sim_support_halt.h"

// STAND-IN: the sim-support calls (the halt-delay feature, its configured delay, the delay of the
// thread's job or cycle-level core) are not built; the feature counts as off.
__attribute__((weak)) int SimBogusHalt(ThreadState *)
{
    return 0;
}
