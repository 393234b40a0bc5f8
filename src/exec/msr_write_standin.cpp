// Stand-in of the MSR write.
#include <cstring>

#include "exec/msr_write.h"
#include "processor/instruction_record.h"
#include "processor/msr_rules.h"
#include "processor/processor_state.h"
#include "processor/thread_state.h"

// STAND-IN: the fix-up rules and the installation with the derived thread flags; the
// translation, interrupt and timing side effects of an MSR change come with the execution
// engine. A core whose MSR mask has not been read from the configuration yet (0) keeps every bit.
__attribute__((weak)) void _WriteMSR(ThreadState *thread, uint64_t value, uint64_t, uint64_t, const char *,
                                     int)
{
    if (!thread) return;
    uint64_t installed = value;
    if (thread->processor && thread->processor->msr_mask) {
        IOPDesc *iop = thread->current_iop;
        IOPDesc blank;
        if (!iop || iop->thread != thread) {
            memset(&blank, 0, sizeof blank);
            blank.thread = thread;
            iop = &blank;
        }
        installed = WriteMSR_fixup(iop, thread->MSR.value, value);
    }
    Set_New_MSR(thread, installed);
}
