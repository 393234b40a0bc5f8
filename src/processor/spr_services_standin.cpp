// Stand-ins of the processor-state services the SPR routines call.
#include "processor/spr_services.h"

#include <cstring>

#include "processor/instruction_record.h"
#include "processor/processor_state.h"
#include "processor/smt.h"
#include "processor/thread_state.h"
#include "processor/time_registers.h"
#include "runtime/message.h"
#include "isa/instr_info.h"

// STAND-IN: the run-control code (stall with its reason text, wake counters, the cycle-level core)
// is not built; the assist thread is marked stalled with the assist-stopped reason and unlinked
// from its starter's list.
__attribute__((weak)) int Stop_One_Assist_Thread(ThreadState *starter, ThreadState *assist)
{
    if (!assist) return 0;
    assist->x_threadState = CPU_STALLED;
    assist->stall_reason = STALL_ASSIST_STOPPED;
    ThreadState *parent = assist->assist_parent ? assist->assist_parent : starter;
    if (parent && parent != assist) {
        for (ThreadState **link = &parent->next_assist; *link; link = &(*link)->next_assist) {
            if (*link == assist) {
                *link = assist->next_assist;
                break;
            }
        }
        if (!parent->next_assist) parent->assist_thread_running = 0;
    }
    assist->next_assist = nullptr;
    return 0;
}

// STAND-IN: see Stop_One_Assist_Thread.
__attribute__((weak)) int Stop_All_Assist_Threads(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    while (thread->assist_thread_running && thread->next_assist)
        Stop_One_Assist_Thread(thread, thread->next_assist);
    thread->assist_thread_running = 0;
    return 0;
}

// STAND-IN: the time-base code is not built; the partial write goes through the stored time base.
__attribute__((weak)) void ProcessorState__SetTB40(ProcessorState *core, uint64_t value)
{
    uint64_t tb = ProcessorState__GetTB(core);
    RAW_SET_TB(core, (tb & 0xFFFFFFull) | (value & ~0xFFFFFFull));
    core->TB.written = 1;
    core->TB.bits_written.valid = 1;
    core->TB.bits_written.mask = ~0xFFFFFFull;
}

// STAND-IN: see ProcessorState__SetTB40.
__attribute__((weak)) void ThreadState__SetTB40(ThreadState *thread, uint64_t value)
{
    ProcessorState__SetTB40(thread->shared_processor, value);
}

// STAND-IN: see ProcessorState__SetTB40.
__attribute__((weak)) void ThreadState__SetTBU(ThreadState *thread, uint32_t value)
{
    RAW_SET_TBU(thread->shared_processor, value);
}

// STAND-IN: see ProcessorState__SetTB40.
__attribute__((weak)) void ThreadState__SetTBL(ThreadState *thread, uint32_t value)
{
    RAW_SET_TBL(thread->shared_processor, value);
}

namespace
{
struct chip_version_row {
    const char *name;
    int32_t number;
};
const chip_version_row standin_chip_versions[] = {
    {"DD1.0", 0x100}, {"DD1.1", 0x101}, {"DD2.0", 0x200}, {"DD2.1", 0x201},
    {"DD3.0", 0x300}, {"DD3.1", 0x301}, {nullptr, 0},
};
} // namespace
