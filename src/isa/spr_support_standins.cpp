// Stand-ins of the decode-and-semantics services the SPR moves call.
#include "isa/spr_support_standins.h"

#include "exec/reg_triggers.h"
#include "exec/spr_interrupt_standins.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"
#include "processor/processor_state.h"
#include "processor/thread_state.h"

// STAND-IN: starting and disabling threads (bits 0xFF0000) and the SMT-mode change are missing;
// in privileged state the RUN bit becomes the thread's run latch and its latch bit in the core's
// CTRL image (thread n at 0x8000 >> n).
__attribute__((weak)) void Write_CTRL(IOPDesc *iop, uint32_t value)
{
    ThreadState *thread = iop->thread;
    if (iGET_MSR(iop) & 0x4000) return;
    thread->x_smt_run_latch = (int32_t)(value & 1);
    ProcessorState *core = thread->processor;
    if (core && thread->thread_id_in_core < 8) {
        uint32_t bit = 0x8000u >> thread->thread_id_in_core;
        core->CTRL.value = (value & 1) ? (core->CTRL.value | bit) : (core->CTRL.value & ~bit);
        core->CTRL.written = 1;
    }
}
