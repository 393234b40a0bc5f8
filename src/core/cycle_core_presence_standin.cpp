// Stand-in of the cycle-level core's presence.
#include "core/cycle_core_presence.h"

#include "processor/records/generic_machine.h"

// STAND-IN: the cycle-level core model is not built, so CYCLE mode cannot run a thread (its jobs
// would park on the functional-mode counter for ever); the mode is refused until the model exists.
int CycleCore_Supports_Mode(uint32_t mode)
{
    return mode != MODE_CYCLE;
}
