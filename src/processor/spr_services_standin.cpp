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

// STAND-IN: the disassembler is not built; the instruction is shown by its mnemonic (or its word).
__attribute__((weak)) int PrintInstruction(IOPDesc *iop)
{
    if (!iop || !iop->thread) return 0;
    char text[64];
    if (iop->row && iop->row->mnemonic)
        snprintf(text, sizeof text, "%s", iop->row->mnemonic);
    else
        snprintf(text, sizeof text, ".long 0x%08X", iop->word);
    uint64_t address = iop->defer_side_effects ? iop->fetch.ea : iop->thread->PC.value;
    SIM_PRINT("%s0x%016lX : %s\n", "", (unsigned long)address, text);
    return (int)strlen(text);
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

// STAND-IN: the processor-identity code (its chip-version table and the PVR link) is not built;
// the stand-in keeps the same rows.
__attribute__((weak)) int Set_Chip_Version(ProcessorState *core, const char *name)
{
    const chip_version_row *row = standin_chip_versions;
    while (row->name && (!name || strcmp(row->name, name) != 0))
        row++;
    if (!row->name) {
        sim_error("Unknown chip version '%s'.  Using DD2.0.", name ? name : "");
        row = &standin_chip_versions[2];
    }
    core->chip_version = (chip_version_info *)const_cast<chip_version_row *>(row);
    return 1;
}

// STAND-IN: see Set_Chip_Version; 0 for a core without a chip version.
__attribute__((weak)) int32_t PROCESSOR_CHIP_VERSION(const ProcessorState *core)
{
    return core && core->chip_version ? ((const chip_version_row *)core->chip_version)->number : 0;
}
