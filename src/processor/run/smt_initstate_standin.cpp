// Stand-in of the initial SMT state of a thread.
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"
#include "processor/run/smt.h"

// STAND-IN: the architected CTRL write (enabling and starting thread 0, the run latch) is not
// built; unless GLENT_STYLE_CTRL is on, the value 0x80800000 is stored masked in the thread's CTRL.
__attribute__((weak)) void SMTA_InitState(ProcessorState *, ThreadState *thread)
{
    if (!thread || !thread->processor || thread->processor->options[PO_GLENT_STYLE_CTRL]) return;
    thread->CTRL.value = 0x80800000u & (uint32_t)Register_Entry_Mask(thread->CTRL.rfe);
    thread->CTRL.written = 1;
}
