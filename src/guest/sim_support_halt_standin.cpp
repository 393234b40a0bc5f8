// Stand-in of the sim-support halt delay.
#include "processor/hooks/sim_support_halt.h"

int simbogushalt_standin_calls = 0;

// STAND-IN: the sim-support calls (the halt-delay feature, its configured delay, the delay of the
// thread's job or cycle-level core) are not built; the feature counts as off. Calls are counted so
// that tests can see when a thread asks to yield.
int SimBogusHalt(ThreadState *)
{
    ++simbogushalt_standin_calls;
    return 0;
}
