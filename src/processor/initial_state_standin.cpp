// Initial state of a machine's processors and the standalone start-up state of a thread. Both are
// defined weakly: the processor reset owns their definitive form.
#include "processor/initial_state.h"

#include "machine/generic_machine.h"
#include "processor/msr_rules.h"
#include "processor/processor_identity.h"
#include "processor/processor_state.h"
#include "processor/reg_accessors.h"
#include "processor/register_file.h"
#include "processor/run_control.h"
#include "processor/thread_state.h"

namespace
{

void set_initial_value(Register_File_Entry *entry, uint64_t value)
{
    if (entry && entry->desc) entry->desc->initial = value;
}

} // namespace

// STAND-IN: of the register reset only each thread's MSR and PC are set (`Set_Initial_MSR`,
// `Set_Initial_PC`, the PC masked with its written flag) and the processor's run state is
// initialised; the other registers, the decrementer, SLB, queued interrupts, SMT state and time
// base come with the processor reset.
__attribute__((weak)) void GenericMachine__SetInitialState(GenericMachine *machine)
{
    int32_t count = GenericMachine__ProcessorCount(machine);
    for (int32_t n = 0; n < count; n++) {
        ProcessorState *core = GenericMachine__Processor(machine, n);
        if (!core) continue;
        for (uint32_t i = 0; i < core->num_threads; i++) {
            ThreadState *thread = &core->threads[i];
            Set_Initial_MSR(thread);
            Set_Initial_PC(thread);
            thread->PC.value = thread->pc_initial & Register_Entry_Mask(thread->PC.rfe);
            thread->PC.written = 1;
            thread->next_pc = thread->pc_initial;
        }
        CPU_InitState(core);
        if (!standalone_mode) continue;
        ProcessorState__SetStandaloneModeInitialState(core);
        for (uint32_t i = 0; i < core->num_threads; i++)
            ThreadState__SetStandaloneModeInitialState(&core->threads[i]);
    }
}

__attribute__((weak)) void ThreadState__SetStandaloneModeInitialState(ThreadState *thread)
{
    if (!thread) return;
    set_initial_value(thread->GPR[5].rfe, 0);
    uint64_t msr = thread->MSR.value | MSR_FP | MSR_VSX | MSR_VMX;
    set_initial_value(thread->MSR.rfe, msr);
    tFORCE_MSR(thread, msr, 0);
    // Round toward zero: the rounding-mode field (the two low bits) becomes 01.
    int32_t fpscr = (int32_t)(((uint32_t)thread->FPSCR.value & ~3u) | 1u);
    set_initial_value(thread->FPSCR.rfe, (uint64_t)(int64_t)fpscr);
    set_initial_value(thread->LPCR.rfe, 0);
}
