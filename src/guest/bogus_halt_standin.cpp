// Stand-in of the idle-loop service.
#include "guest/bogus_halt.h"

// STAND-IN: the bogus-halt setting and the time jump (pending-interrupt and excluded-state tests,
// BogusHaltDelay, the jump to the next event) are not built; the setting counts as off, so the
// service does nothing and answers 0.
__attribute__((weak)) int32_t SimBogusHalt(ThreadState *)
{
    return 0;
}
