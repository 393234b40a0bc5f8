// Stand-ins of the CTRL write.
#include "isa/ctrl.h"
#include "processor/register_file.h"
#include "processor/thread_state.h"

// STAND-IN: the CTRL write (run latch, starting and stopping threads, SMT mode) is not built; the
// value is stored masked with its written flag.
__attribute__((weak)) void cooked_set_CTRL(ThreadState *thread, uint32_t value)
{
    thread->CTRL.value = value & (uint32_t)Register_Entry_Mask(thread->CTRL.rfe);
    thread->CTRL.written = 1;
}

// STAND-IN: see cooked_set_CTRL.
__attribute__((weak)) void FORCE_CTRL(ThreadState *thread, uint32_t value)
{
    cooked_set_CTRL(thread, value);
}
