// The thread fields the message sink reads for its print headers (runtime/hooks/print_header_hooks.h).
#include "runtime/hooks/print_header_hooks.h"

#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"

GenericMachine *ThreadState__Machine(ThreadState *thread)
{
    return thread ? thread->machine : nullptr;
}

const char *ThreadState__Name(ThreadState *thread)
{
    return thread ? thread->name : nullptr;
}

uint32_t ThreadState__ProcessorThreadCount(ThreadState *thread)
{
    return thread && thread->processor ? thread->processor->num_threads : 0;
}
