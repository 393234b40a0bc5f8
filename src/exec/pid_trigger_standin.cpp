#include "exec/machine_triggers.h"

// STAND-IN: the process-id trigger table is not built yet; no trigger is ever set.
int Trigger_PID__Check(GenericMachine *, ThreadState *, uint64_t)
{
    return 1;
}
