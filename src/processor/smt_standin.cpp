// Stand-ins of the SMT services.
#include "processor/instruction_record.h"
#include "processor/processor_state.h"
#include "processor/register_file.h"
#include "processor/smt.h"
#include "processor/thread_state.h"

// STAND-IN: the SMT state machine is not built; the image is formed from the thread's fields.
__attribute__((weak)) uint64_t smt_ReadTSRL(ThreadState *thread, int32_t, int32_t force)
{
    if (!thread->x_smt_enable && !force) return 0;
    return (uint64_t)(thread->x_smt_internal_priority & 7) << 50;
}

// STAND-IN: sets both priorities and stores the value; telling the cycle-level core, the time
// quanta and the yield of a lowered priority are missing.
__attribute__((weak)) void smt_WriteTSRL(ThreadState *thread, uint64_t value)
{
    uint8_t priority = (uint8_t)((value >> 50) & 7);
    if (priority == 0) return;
    thread->x_smt_priority = priority;
    thread->x_smt_internal_priority = priority;
    thread->TSRL.value = value & Register_Entry_Mask(thread->TSRL.rfe);
    thread->TSRL.written = 1;
}

// STAND-IN: the CTRL image (run latches, enabled threads, SMT mode) is not built; the thread's
// CTRL slot stands for it.
__attribute__((weak)) uint32_t Read_CTRL(IOPDesc *iop)
{
    return iop->thread->CTRL.value;
}

// STAND-IN: picks the first thread of the core, assist threads skipped, that is neither running
// nor SMT-enabled; the warnings for the others are missing.
__attribute__((weak)) ThreadState *Select_Idle_Thread(IOPDesc *iop)
{
    ProcessorState *core = iop->thread->processor;
    if (!core) return nullptr;
    for (uint32_t i = 0; i < core->num_threads; i++) {
        ThreadState *candidate = &core->threads[i];
        if (candidate->is_assist_thread) continue;
        if (candidate->x_threadState != CPU_RUNNING && !candidate->x_smt_enable) return candidate;
    }
    return nullptr;
}

// STAND-IN: split-core mode is not built; a HID0 write never switches partitions.
__attribute__((weak)) int smt_TestPerformLPAR_1_To_2_4_Switch(ThreadState *)
{
    return 0;
}
