// Instruction debugging of translated code: each instruction's prologue hands its word and address
// to jit_debug_start_inst, which reports the previous one and keeps a decoded record of this one;
// the record still pending when a pass ends is reported or dropped by the exit's reason.
#include "decode/instr_tables.h"
#include "exec/instruction_hooks.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "translator/callouts.h"
#include "translator/run_boundary.h"
#include "translator/turbo_reason.h"

#include <cstring>

namespace
{

constexpr int DEBUG_INSTRUCTIONS = 12;

// Reports the pending record, if any, and gives it back.
void report_pending(ThreadState *thread, bool report)
{
    IOPDesc *iop = thread->turbo.last_debug_iop;
    if (!iop) return;
    thread->turbo.last_debug_iop = nullptr;
    if (report) CheckDebugInstruction(iop);
    return_Instruction(iop);
}

// The reasons after which the last instruction of the pass completed.
bool completed_by(int32_t reason)
{
    switch (reason) {
    case EXIT_BRANCH_SELF:
    case EXIT_LIMIT:
    case EXIT_FETCH:
    case EXIT_PRIORITY_CHANGE:
    case EXIT_PRIORITY_LOW_LOW:
    case EXIT_DELAY_1000:
    case EXIT_MSR_DONE:
        return true;
    default:
        return false;
    }
}

} // namespace

uint64_t jit_debug_start_inst(ThreadState *thread, uint64_t word_address, uint64_t pc, uint64_t) noexcept
{
    report_pending(thread, true);
    GenericMachine *machine = thread->machine;
    const bool on = machine && ((get_debug_flag(DEBUG_INSTRUCTIONS) > 0 && machine->turbo_debug) ||
                                (machine->turbo_dynamic_debug && thread->turbo.instruction_debug));
    if (!on || !word_address) return 0;
    IOPDesc *iop = get_Instruction(thread);
    if (!iop) return 0;
    // Guest memory holds the words in the guest's byte order of the page.
    uint32_t stored;
    memcpy(&stored, reinterpret_cast<const void *>(word_address), 4);
    iop->word = (thread->MSR.value & MSR_LE) ? stored : __builtin_bswap32(stored);
    iop->row = Processor_Decode_Instruction(thread->processor, iop->word);
    iop->fetch.ea = pc;
    iop->xlate_message = "turbo";
    // The instructions of the pass executed before this one: the header counts them in.
    const int64_t before = (int64_t)thread->turbo.togo - thread->turbo.debug_togo - 1;
    iop->counter = before > 0 ? (uint32_t)before : 0;
    thread->turbo.last_debug_iop = iop;
    return 0;
}

void INSTR_DEBUG_BEFORE(ThreadState *thread)
{
    if (!thread->turbo.last_debug_iop) return;
    sim_warning(0, "INSTR_DEBUG_BEFORE: found turbo.last_debug_iop non-NULL. turbo.reason: %s",
                turbo_reason((unsigned)thread->turbo.debug_reason));
    report_pending(thread, false);
}

void INSTR_DEBUG_AFTER(ThreadState *thread)
{
    thread->turbo.debug_reason = thread->turbo.reason;
    report_pending(thread, completed_by(thread->turbo.reason));
}
