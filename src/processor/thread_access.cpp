#include "processor/thread_access.h"

// STAND-IN: no thread record exists yet, so no thread is ever passed with a machine or a name.
GenericMachine *ThreadState__Machine(ThreadState *)
{
    return nullptr;
}

// STAND-IN: see above.
const char *ThreadState__Name(ThreadState *)
{
    return nullptr;
}

// STAND-IN: see above.
uint32_t ThreadState__ProcessorThreadCount(ThreadState *)
{
    return 0;
}
