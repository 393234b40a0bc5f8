// Stand-ins of the CTRL write.
#include "processor/regs/ctrl.h"

#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"

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
