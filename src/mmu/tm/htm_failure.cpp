// Transaction failure and rollback.
#include "mmu/tm/htm_failure.h"

#include <string_view>

#include "interrupts/exception_types.h"
#include "interrupts/interrupt_raisers.h"
#include "memory/reservations.h"
#include "mmu/tm/htm_checkpoint.h"
#include "mmu/tm/htm_cr.h"
#include "mmu/tm/htm_footprint.h"
#include "mmu/tm/htm_machine.h"
#include "mmu/tm_operations.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/interrupt_hooks.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t NO_ADDRESS = ~0ull;
constexpr uint32_t REASON_INTERRUPT = 20, REASON_ABORT = 29, REASON_LIMIT = 256;
constexpr uint64_t SRR1_TS = 0x600000000ull;
constexpr uint32_t CR_FAILED = 0b1010;

struct CauseType {
    uint32_t cause;
    int type;
};
constexpr CauseType CAUSE_TYPES[] = {
    {HTM_CAUSE_INTERRUPT, 1},
    {HTM_CAUSE_EXCEPTION, 2},
    {HTM_CAUSE_DISALLOWED, 3},
    {HTM_CAUSE_NESTING, 4},
    {HTM_CAUSE_FOOTPRINT_OVERFLOW, 5},
    {HTM_CAUSE_CONFLICT_NON_TRANSACTIONAL, 6},
    {HTM_CAUSE_CONFLICT_TRANSACTIONAL, 7},
    {HTM_CAUSE_SELF_INDUCED, 8},
    {HTM_CAUSE_INVALIDATION, 9},
    {HTM_CAUSE_IMPLEMENTATION_PERSISTENT, 14},
    {1, 11}, // tabort./treclaim. with failure code 0
    {HTM_CAUSE_FETCH_CONFLICT, 12},
};

constexpr const char *TYPE_NAMES[HTM_FAILURE_TYPES] = {
    "Unknown",
    "Interrupt",
    "Exception",
    "Disallowed Instruction or Access",
    "Max Nesting Depth Exceeded",
    "Cache Overflow",
    "Conflict Non-Transactional",
    "Conflict Transactional",
    "Self-Induced",
    "Invalidation Conflict",
    "Implementation Specific",
    "Tabort/Treclaim",
    "Instruction Fetch Conflict",
    "ATTN op in T or S mode",
    "tsuspend op with SIM_CTRL[TM_INT_FAIL]=1",
    "Fail all TM ops upon interrupt",
};

constexpr const char *REASON_TEXTS[] = {
    "None",
    "TM cache overflow on read",
    "TM cache overflow on write",
    "TM non-cacheable read",
    "TM non-cacheable write",
    "non-transactional store hit my load",
    "non-transactional store hit my store",
    "non-transactional load hit my store",
    "transactional store hit my load",
    "transactional store hit my store",
    "transactional load hit my store",
    "my cache-op hit my store",
    "my cache-op hit my load",
    "other cache-op hit my store",
    "other cache-op hit my load",
    "my suspended-mode store hit my load",
    "my suspended-mode store hit my store",
    "my instruction fetch hit my store",
    "other instruction fetch hit my store",
    "my pbt load target hit my store",
    "interrupt occurred",
    "exception occurred",
    "disabled instruction or access",
    "maximum tbegin nesting depth",
    "TM cache overflow",
    "TM conflict non-transactional",
    "TM conflict transactional",
    "TM self-induced failure",
    "TM invalidation conflict",
    "tabort or treclaim executed",
    "TM failure: implementation specific",
    "unknown",
    "attn op executed in T or S mode",
    "tsuspend in T mode w/SIM_CTRL_TM_INT_FAIL",
};

uint64_t ts_of(uint64_t msr)
{
    return msr & MSR_TS;
}

uint64_t privilege_bits(uint64_t msr)
{
    return ((msr & MSR_PR) ? 1 : 0) | ((msr & MSR_HV) ? 2 : 0);
}

// The thread's MSR is written with TS = N through its write triggers and the MSR write.
void leave_transactional_msr(IOPDesc *iop, ThreadState *thread)
{
    const uint64_t old_msr = thread->MSR.value;
    const uint64_t msr = old_msr & ~MSR_TS;
    if (iop && Reg_Write_Triggers_Armed(thread->MSR.trigger))
        Maybe_Invoke_Reg_Write_Triggers(iop, thread->MSR.trigger, old_msr, msr);
    _WriteMSR(thread, msr, 0, 0, __FILE__, __LINE__);
}

void clear_reservation(ThreadState *thread)
{
    if (thread->memory_client) clear_reservation_bit(thread->memory_client);
}

} // namespace

int htm_failure_type(uint32_t cause)
{
    for (const CauseType &entry : CAUSE_TYPES)
        if (entry.cause == cause) return entry.type;
    return 0;
}

const char *htm_failure_type_name(int type)
{
    return type >= 0 && type < HTM_FAILURE_TYPES ? TYPE_NAMES[type] : TYPE_NAMES[0];
}

const char *htm_exit_reason(uint32_t reason)
{
    if (reason >= sizeof REASON_TEXTS / sizeof REASON_TEXTS[0]) return "unknown";
    return REASON_TEXTS[reason];
}

void htm_leave_transaction_count(ThreadState *thread)
{
    GenericMachine *machine = thread->machine;
    if (!machine) return;
    if (--machine->threads_in_transaction < 0) {
        sim_error("negative htm count %ld", (long)machine->threads_in_transaction);
        machine->threads_in_transaction = 0;
    }
}

int htm_record_failure(ThreadState *thread, int32_t cause, uint64_t address, int32_t exact, uint32_t reason,
                       uint64_t msr)
{
    const uint64_t ts = ts_of(msr);
    if (!thread || (ts != MSR_TS_TRANSACTIONAL && ts != MSR_TS_SUSPENDED)) return 0;
    const uint64_t old_texasr = thread->TEXASR.value;
    if (old_texasr & TEXASR_FS) {
        htm_debug(thread,
                  "htm_record_failure: Already set for T: %s, HTMTID_%08X. Prev reason %d, New reason %d.",
                  htm_thread_name(thread), thread->htm_tid, (int)thread->htm_failure_reason, (int)reason);
        return 0;
    }
    const int type = htm_failure_type((uint32_t)cause);
    thread->htm_failure_reason = reason ? reason : 19 + (uint32_t)type;
    tCOOKED_SET_TDOOMED(thread, 1, 0);
    thread->htm_failure_pending = 1;
    thread->htm_failure_stage = -1;

    htm_data *data = htm_get_machine_state(thread->machine);
    if (data) {
        data->failure_counts[type]++;
        htm_cache *cache = htm_thread_cache(data, thread);
        if (cache && cache->start_count) {
            const int64_t spent = (int32_t)(thread->Instruction_Number - cache->start_count);
            data->instructions_failed += (uint64_t)spent;
            data->wasted_instructions[type] += (uint64_t)spent;
        }
    }

    uint64_t texasr = (old_texasr & 0xFFFFFFFFull) | TEXASR_FS;
    texasr &= ~(TEXASR_SUSPENDED | TEXASR_MSR_US | TEXASR_HV | TEXASR_PR | TEXASR_EXACT | TEXASR_TA);
    if (ts == MSR_TS_SUSPENDED) texasr |= TEXASR_SUSPENDED;
    if (msr & MSR_PR) texasr |= TEXASR_PR;
    if (msr & MSR_HV) texasr |= TEXASR_HV;
    if (msr & MSR_US) texasr |= TEXASR_MSR_US;
    uint32_t upper = (uint32_t)cause;
    if (reason == REASON_INTERRUPT) {
        texasr |= TEXASR_SUSPENDED;
    } else if (reason >= REASON_LIMIT) {
        sim_warning(1, "htm_record_failure: quarn_reason (%d) out of range.", (int)reason);
    } else if (reason != REASON_ABORT) {
        upper |= reason << 25;
    }
    texasr |= (uint64_t)upper << 32;
    if (address != NO_ADDRESS) {
        tCOOKED_SET_TFIAR(thread, address | privilege_bits(msr), 0);
        if (exact) texasr |= TEXASR_EXACT;
    }
    if (msr & MSR_TA) texasr |= TEXASR_TA;
    tCOOKED_SET_TEXASR(thread, texasr, 0);
    return 1;
}

void htm_record_failure_queued(ThreadState *thread, int32_t cause, uint64_t address, int32_t exact,
                               uint32_t reason)
{
    if (!thread) return;
    IOPDesc *iop = thread->current_iop;
    if (iop && iop->thread == thread) {
        interrupt_HTM_Op_Failure(iop, cause, address, exact, (int32_t)reason);
        return;
    }
    htm_record_failure(thread, cause, address, exact, reason, thread->MSR.value);
}

int htm_failure_recorded(ThreadState *thread)
{
    return thread && thread->htm_failure_pending;
}

int htm_handles_failures_at_once(ThreadState *thread)
{
    return thread && thread->machine && thread->machine->threads_in_transaction > 0;
}

void htm_handle_failure(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    thread->htm_failure_stage = -thread->htm_failure_stage;
    leave_transactional_msr(iop, thread);
    thread->htm_failure_pending = 0;
    htm_leave_transaction_count(thread);
    htm_checkpoint_restore(thread);
    htm_data *data = htm_get_machine_state(thread->machine, iop);
    if (htm_cache *cache = htm_thread_cache(data, thread)) release_cache(cache);
    SET_TM_CR(iop, 0, CR_FAILED);
    clear_reservation(thread);

    const uint64_t handler = thread->TFHAR.value;
    PowerPCException *first = iop->exceptions;
    if (first && first->type == EXC_FLOATING_POINT) {
        // The floating-point interrupt is taken at the failure handler with TS = N saved.
        first->instruction_address = handler;
        first->srr1_clear |= SRR1_TS;
        return;
    }
    IOP_Set_NIA(iop, handler);
}

int htm_handle_interrupt(IOPDesc *iop, int32_t type)
{
    if (!iop || !iop->thread) return 0;
    ThreadState *thread = iop->thread;
    htm_debug(
        thread,
        "htm_handle_interrupt: exception type %d being delivered for T: %s, HTMTID_%08X. Marking xaction "
        "aborted",
        type, htm_thread_name(thread), thread->htm_tid);
    htm_record_failure(thread, HTM_CAUSE_INTERRUPT, IOP_Current_Address(iop), 1, (uint32_t)type,
                       iGET_MSR(iop));
    htm_handle_failure(iop);
    return 1;
}

int htm_handle_exception(IOPDesc *iop, int32_t type)
{
    if (!iop || !iop->thread) return 0;
    ThreadState *thread = iop->thread;
    htm_debug(
        thread,
        "htm_handle_exception: exception type %d would be generated for T: %s. HTMTID_%08X. Marking xaction "
        "aborted",
        type, htm_thread_name(thread), thread->htm_tid);
    const uint64_t msr = iGET_MSR(iop);
    htm_record_failure(thread, HTM_CAUSE_EXCEPTION, IOP_Current_Address(iop), 1, (uint32_t)type, msr);
    if (ts_of(msr) == MSR_TS_SUSPENDED)
        _WriteMSR(thread, (thread->MSR.value & ~MSR_TS) | MSR_TS_TRANSACTIONAL, 0, 0, __FILE__, __LINE__);
    return 1;
}

void HTM_tlbie(ThreadState *thread, uint64_t, int32_t, const char *name)
{
    if (!thread) return;
    htm_data *data = htm_get_machine_state(thread->machine);
    ProcessorState *core = thread->processor;
    const bool others = core && core->options[PO_HTM_TLBIE_ON_OTHER_THREAD_FAILS_TRANSACTION];
    const bool is_tlbie = name && std::string_view(name) == "tlbie";
    const uint64_t pc = thread->PC.value;
    auto visit = [&](ThreadState *r) {
        if (!r || (r != thread && !others) || r->processor != core) return;
        const uint64_t ts = ts_of(r->MSR.value);
        if ((ts != MSR_TS_TRANSACTIONAL && ts != MSR_TS_SUSPENDED) || !is_tlbie) return;
        htm_debug(r, "HTM_tlbie: Thread %s", htm_thread_name(r));
        if (r != thread) {
            htm_record_failure(r, HTM_CAUSE_INVALIDATION, pc, 0, 0, r->MSR.value);
        } else if (ts == MSR_TS_TRANSACTIONAL) {
            htm_record_failure(r, HTM_CAUSE_DISALLOWED, pc, 1, 0, r->MSR.value);
        } else {
            htm_record_failure(r, HTM_CAUSE_INVALIDATION, pc, 0, 0, r->MSR.value);
        }
    };
    if (!htm_thread_cache(data, thread)) {
        visit(thread); // a thread outside the machine's table fails only itself
        return;
    }
    for (int32_t i = 0; i < data->thread_count; i++)
        visit(htm_thread_at(data, i));
}

int htm_rollback_all_transactions(GenericMachine *machine, uint64_t failure_code)
{
    htm_data *data = machine ? machine->htm : nullptr;
    if (!data || !data->enabled) return 1;
    for (int32_t i = 0; i < data->thread_count; i++) {
        ThreadState *thread = htm_thread_at(data, i);
        if (thread && ts_of(thread->MSR.value) == MSR_TS_SUSPENDED) {
            sim_warning(1, "htm_rollback_all_transactions: Failed. Thread %s is in Suspended State.\n",
                        htm_thread_name(thread));
            return 0;
        }
    }
    for (int32_t i = 0; i < data->thread_count; i++) {
        ThreadState *thread = htm_thread_at(data, i);
        if (!thread || ts_of(thread->MSR.value) != MSR_TS_TRANSACTIONAL) continue;
        htm_record_failure(thread, (int32_t)failure_code, thread->PC.value, 0, 0, thread->MSR.value);
        thread->htm_failure_stage = -thread->htm_failure_stage;
        _WriteMSR(thread, thread->MSR.value & ~MSR_TS, 0, 0, __FILE__, __LINE__);
        thread->htm_failure_pending = 0;
        htm_leave_transaction_count(thread);
        htm_checkpoint_restore(thread);
        release_cache(&data->caches[i]);
        FORCE_TM_CR(thread, 0, CR_FAILED);
        const uint64_t handler = thread->TFHAR.value;
        thread->next_pc = handler;
        thread->PC.value = handler & Register_Entry_Mask(thread->PC.rfe);
        thread->PC.written = 1;
        clear_reservation(thread);
    }
    return 1;
}
