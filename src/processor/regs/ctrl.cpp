// The CTRL register: the run latch of the writing thread, thread enable and disable, the SMT mode
// and, in the core-style management of GLENT_STYLE_CTRL, the core's stored run bits.
#include "processor/regs/ctrl.h"

#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"

namespace
{

constexpr uint32_t CTRL_RUN_LATCH = 0x1;
constexpr uint32_t CTRL_THREAD_ENABLES = 0x00FF0000;
constexpr uint32_t CTRL_INITIAL = 0x80800000; // thread 0 enabled, no SMT request
constexpr int32_t START_REASON_CTRL = 10;
constexpr uint64_t START_ADDRESS = 0x100;
constexpr uint32_t MAX_CTRL_THREADS = 8;

bool option(ProcessorState *core, uint32_t index)
{
    return core && core->options[index];
}

uint32_t ctrl_threads(ProcessorState *core)
{
    return core->num_threads < MAX_CTRL_THREADS ? core->num_threads : MAX_CTRL_THREADS;
}

// With CTRL_HAS_RUN_LATCH_BITS: thread i's run latch := bit 15 - i; the number of threads set.
int run_latches_from(ProcessorState *core, uint32_t value)
{
    if (!option(core, PO_CTRL_HAS_RUN_LATCH_BITS)) return 0;
    const uint32_t count = ctrl_threads(core);
    for (uint32_t i = 0; i < count; i++)
        core->threads[i].x_smt_run_latch = (int32_t)((value >> (15 - i)) & 1);
    return (int)count;
}

} // namespace

void Write_CTRL(IOPDesc *iop, uint32_t value)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread->processor;
    if (iGET_MSR(iop) & 0x4000) return;
    const int32_t run_latch = (int32_t)(value & CTRL_RUN_LATCH);
    thread->x_smt_run_latch = run_latch;
    if (value & CTRL_THREAD_ENABLES) {
        const uint32_t count = ctrl_threads(core);
        for (uint32_t i = 0; i < count; i++) {
            ThreadState *other = &core->threads[i];
            const bool enable = (value >> (23 - i)) & 1;
            if (enable && other->x_threadState == CPU_NOT_BOOTED)
                smt_ThreadStart(other, START_REASON_CTRL, START_ADDRESS);
            else if (!enable && other == thread)
                smt_ThreadDisable(thread, iop);
        }
    }
    const bool glent = option(core, PO_GLENT_STYLE_CTRL);
    if (!glent) {
        // The mode only moves toward fewer threads.
        const uint32_t mode = BITS_2_SMT((value >> 4) & 0xF);
        if (mode != 0 && (core->smt_mode == 0 || mode < core->smt_mode)) core->smt_mode = mode;
    }
    DefineThreadTimeQuantums();
    if (glent) {
        const uint32_t n = (uint32_t)thread->thread_id_in_core;
        uint32_t stored = core->CTRL.value;
        if (run_latch)
            stored = value | stored | (n < 16 ? 1u << (15 - n) : 0);
        else
            stored = stored & 0xFF00u & ~(n < 16 ? 0x8000u >> n : 0);
        core->CTRL.value = stored & ~CTRL_RUN_LATCH;
        core->CTRL.written = 1;
    }
}

void cooked_set_CTRL(ThreadState *thread, uint32_t value)
{
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    Write_CTRL(&iop, value);
    run_latches_from(thread->processor, value);
}

void FORCE_CTRL(ThreadState *thread, uint32_t value)
{
    cooked_set_CTRL(thread, value);
}

int CTRL_Force_Callback(Register_File_Entry *entry, const void *value)
{
    const uint32_t v = *static_cast<const uint32_t *>(value);
    ThreadState *thread = entry->owner;
    if (!thread) return 0;
    FORCE_CTRL(thread, v);
    ProcessorState *core = thread->processor;
    core->CTRL.value = v & (uint32_t)Register_Entry_Mask(entry);
    core->CTRL.written = 1;
    return run_latches_from(core, v);
}

void SMTA_InitState(ProcessorState *, ThreadState *thread)
{
    if (!thread || !thread->processor || option(thread->processor, PO_GLENT_STYLE_CTRL)) return;
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    Write_CTRL(&iop, CTRL_INITIAL);
}
