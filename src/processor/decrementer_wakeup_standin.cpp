// Stand-in of the wake-up test of a stopped thread.
#include "processor/decrementer_wakeup.h"

WakeupStandinLog wakeup_standin_log = {};

// STAND-IN: the walk of the pending exceptions with their wake-up test and the decrementer's
// enable check (which starts a thread sleeping with a negative DEC) are missing; the call is
// recorded and nothing wakes.
__attribute__((weak)) int CheckExceptionQueueForWakeup(ThreadState *thread)
{
    wakeup_standin_log.calls++;
    wakeup_standin_log.thread = thread;
    return 1;
}
