// Stand-in of the MSR write.
#include "exec/msr_write.h"
#include "processor/thread_state.h"

// STAND-IN: the MSR write path (fix-up rules, translation and interrupt side effects) is not
// built; the value is stored with its written flag.
__attribute__((weak)) void _WriteMSR(ThreadState *thread, uint64_t value, uint64_t, uint64_t, const char *,
                                     int)
{
    thread->MSR.value = value;
    thread->MSR.written = 1;
}
