// The transactional-memory instruction operations: tbegin., tend./tendouter., tabort., tsuspend.,
// tresume., treclaim., trechkpt.; the instruction count, the machine's transaction count and the
// transaction id; the machine-wide switch.
#include <cstdlib>

#include "interrupts/interrupt_raisers.h"
#include "memory/reservations.h"
#include "mmu/hooks/msr_with_pc.h"
#include "mmu/tm/htm_checkpoint.h"
#include "mmu/tm/htm_cr.h"
#include "mmu/tm/htm_failure.h"
#include "mmu/tm/htm_footprint.h"
#include "mmu/tm/htm_machine.h"
#include "mmu/tm_operations.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/interrupt_hooks.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "memory/memory_map.h"

int global_htm_status = 1;

namespace
{

constexpr uint64_t SIM_CTRL_TM_INT_FAIL = 0x8000000000ull;           // bit 39
constexpr uint64_t SIM_CTRL_NESTING_DEPTH_4 = 0x4000000000000000ull; // bit 62
constexpr uint64_t SIM_CTRL_NESTING_DEPTH_8 = 0x8000000000000000ull; // bit 63
constexpr uint64_t TEXASR_DISABLED_CAUSE = 0x01100000ull << 32;      // persistent, self-induced
constexpr uint32_t CR_FAILED = 0b1010;
constexpr uint32_t REASON_ABORT = 29;
constexpr const char *TRECHKPT_BAD_THING = "HTM trechkpt executed in Tm transaction or suspend mode";

uint64_t ts_of(uint64_t msr)
{
    return msr & MSR_TS;
}

bool in_transaction(uint64_t msr)
{
    return ts_of(msr) == MSR_TS_TRANSACTIONAL || ts_of(msr) == MSR_TS_SUSPENDED;
}

const char *mode_name(uint64_t msr)
{
    return ts_of(msr) == MSR_TS_SUSPENDED ? "Suspended" : ts_of(msr) ? "Transactional" : "Non-Transactional";
}

void clear_reservation(ThreadState *thread)
{
    if (thread->memory_client) clear_reservation_bit(thread->memory_client);
}

int32_t in_htm_mode(ThreadState *thread)
{
    return thread->machine ? thread->machine->threads_in_transaction : 0;
}

void enter_transaction_count(IOPDesc *iop, htm_data *data)
{
    ThreadState *thread = iop->thread;
    if (thread->machine) thread->machine->threads_in_transaction++;
    if (data) thread->htm_tid = ++data->transaction_id_counter;
}

void write_ts(IOPDesc *iop, uint64_t ts)
{
    WRITE_MSR_WITH_PC(iop, (iGET_MSR(iop) & ~MSR_TS) | ts, 0, 0);
}

uint32_t cause_of_abort(uint32_t code)
{
    return ((code & 0xFF) << 24) + 1;
}

void nesting_failure(IOPDesc *iop, htm_data *data)
{
    ThreadState *thread = iop->thread;
    if (htm_debug_on()) {
        const uint64_t sim_ctrl = thread->SIM_CTRL.value;
        const bool d4 = sim_ctrl & SIM_CTRL_NESTING_DEPTH_4, d8 = sim_ctrl & SIM_CTRL_NESTING_DEPTH_8;
        const char *name = htm_thread_name(thread);
        if (d4 && d8)
            htm_debug(thread,
                      "FAILURE: TBEGIN for T: %s HTMTID_%08X, "
                      "SIM_CTRL_TM_nesting_depth_4+SIM_CTRL_TM_nesting_depth_8 "
                      "set, Max nesting depth 2 reached.",
                      name, thread->htm_tid);
        else if (d4)
            htm_debug(
                thread,
                "FAILURE: TBEGIN for T: %s HTMTID_%08X, SIM_CTRL_TM_nesting_depth_4 set, Max nesting depth 4 "
                "reached.",
                name, thread->htm_tid);
        else if (d8)
            htm_debug(
                thread,
                "FAILURE: TBEGIN for T: %s HTMTID_%08X, SIM_CTRL_TM_nesting_depth_8 set, Max nesting depth 8 "
                "reached.",
                name, thread->htm_tid);
        else
            htm_debug(thread, "FAILURE: TBEGIN for T: %s     HTMTID_%08X, Max nesting depth (%d) exceeded.",
                      name, thread->htm_tid, data ? data->max_nesting_level : 0);
    }
    htm_record_failure(thread, HTM_CAUSE_NESTING, IOP_Current_Address(iop), 1, 0, iGET_MSR(iop));
}

} // namespace

void htm_tbegin(IOPDesc *iop, uint64_t msr)
{
    ThreadState *thread = iop->thread;
    htm_data *data = htm_get_machine_state(iop);
    const uint64_t address = IOP_Current_Address(iop);
    const bool rot = (iop->word >> 21) & 1;
    if (!global_htm_status) {
        // The model is switched off: a persistent self-induced failure at once, no transaction.
        const uint64_t now = iGET_MSR(iop);
        iSET_TFIAR(iop, address);
        uint64_t texasr = iGET_TEXASR(iop) & 0xFFFFFFFFull & ~(TEXASR_PR | TEXASR_HV | TEXASR_TA);
        texasr |= TEXASR_FS | TEXASR_EXACT | TEXASR_DISABLED_CAUSE;
        if (now & MSR_PR) texasr |= TEXASR_PR;
        if (now & MSR_HV) texasr |= TEXASR_HV;
        if (now & MSR_TA) texasr |= TEXASR_TA;
        iSET_TEXASR(iop, texasr);
        SET_TM_CR(iop, 0, CR_FAILED);
        return;
    }
    if (ts_of(msr) == 0) {
        write_ts(iop, MSR_TS_TRANSACTIONAL);
        iSET_TDOOMED(iop, 0);
        thread->htm_failure_pending = 0;
        iSET_TEXASR(iop, 1 | (rot ? TEXASR_ROT : 0));
        thread->htm_priority = (iop->word >> 25) & 1;
        uint64_t handler = address + 4;
        if (!(msr & MSR_SF)) handler &= 0xFFFFFFFFull;
        iSET_TFHAR(iop, handler & ~3ull);
        enter_transaction_count(iop, data);
        htm_checkpoint_save(iop);
        clear_reservation(thread);
        if (data) {
            data->tbegins_total++;
            data->tbegins_outer++;
            if (htm_cache *cache = htm_thread_cache(data, thread))
                cache->start_count = thread->Instruction_Number;
        }
        htm_debug(thread, "Outer TBEGIN for T: %s, HTMTID_%08X, depth: 1, Threads in htm mode: %d",
                  htm_thread_name(thread), thread->htm_tid, in_htm_mode(thread));
        return;
    }
    if (ts_of(msr) != MSR_TS_TRANSACTIONAL) return;
    uint64_t texasr = iGET_TEXASR(iop);
    const int64_t level = (int64_t)(texasr & TEXASR_LEVEL);
    const int64_t maximum = data ? data->max_nesting_level : (int64_t)TEXASR_LEVEL;
    // At (or, after a lowered SIM_CTRL depth, beyond) the deepest level a further begin fails.
    if (level >= maximum) {
        nesting_failure(iop, data);
        return;
    }
    texasr = (texasr & ~TEXASR_LEVEL) | (uint64_t)(level + 1);
    if (!rot) texasr &= ~TEXASR_ROT;
    iSET_TEXASR(iop, texasr);
    thread->htm_priority = (iop->word >> 25) & 1;
    if (level + 1 == 1) clear_reservation(thread);
    if (data) data->tbegins_total++;
}

int htm_tend(IOPDesc *iop, uint64_t msr, int32_t outer)
{
    ThreadState *thread = iop->thread;
    htm_data *data = htm_get_machine_state(iop);
    if (ts_of(msr) == MSR_TS_SUSPENDED) {
        interrupt_HTM_Bad_Thing(iop, "HTM tend executed in TM suspend state");
        return 0;
    }
    if (ts_of(msr) != MSR_TS_TRANSACTIONAL) {
        if (data) data->tends_non_transactional++;
        return 1;
    }
    uint64_t texasr = iGET_TEXASR(iop);
    if (!outer && (texasr & TEXASR_LEVEL) != 1) {
        clear_reservation(thread);
        iSET_TEXASR(iop, (texasr & ~TEXASR_LEVEL) | (((texasr & TEXASR_LEVEL) - 1) & TEXASR_LEVEL));
        if (data) data->tends_total++;
        return 1;
    }
    htm_cache *cache = htm_thread_cache(data, thread);
    if (!thread->htm_failure_pending && data && data->inject_rate > 0.0f) {
        const double x = (double)(rand() & 0x7FFFFFFF) * (1.0 / 2147483648.0);
        if ((double)data->inject_rate >= x) {
            htm_debug(thread, "Artifically failing transaction");
            htm_record_failure(thread, HTM_CAUSE_INJECTED, ~0ull, 0, 0, msr);
        }
    }
    if (thread->htm_failure_pending) {
        // The pending failure is rolled back after this instruction.
        htm_debug(thread,
                  "(Outer) TEND DOOMED (%s Mode) for T: %s, HTMTID_%08X, Threads in htm mode: %d. STRANGE",
                  mode_name(msr), htm_thread_name(thread), thread->htm_tid, in_htm_mode(thread) - 1);
        if (cache) release_cache(cache);
        return 1;
    }
    if (data && data->texasr_extra_info && cache)
        texasr = (texasr & ~0xFF000000ull) | ((uint64_t)(cache->used_lines & 0xFF) << 24);
    commit_user_cache(iop);
    iSET_TEXASR(iop, texasr & ~TEXASR_LEVEL);
    _WriteMSR(thread, thread->MSR.value & ~MSR_TS, 0, 0, __FILE__, __LINE__);
    iSET_TDOOMED(iop, 0);
    thread->htm_failure_pending = 0;
    thread->htm_priority = 0;
    htm_debug(thread, "(Outer) TEND (%s Mode) for T: %s, HTMTID_%08X, Threads in htm mode: %d",
              mode_name(msr), htm_thread_name(thread), thread->htm_tid, in_htm_mode(thread) - 1);
    htm_leave_transaction_count(thread);
    clear_reservation(thread);
    if (data) {
        data->tends_total++;
        data->tends_outer++;
        if (cache && cache->start_count)
            data->instructions_succeeded += thread->Instruction_Number - cache->start_count;
    }
    return 1;
}

void htm_tabort(IOPDesc *iop, uint32_t cause)
{
    ThreadState *thread = iop->thread;
    htm_data *data = htm_get_machine_state(iop);
    const uint64_t msr = iGET_MSR(iop);
    if (!in_transaction(msr)) {
        if (data) data->taborts_non_transactional++;
        return;
    }
    htm_debug(thread, "TABORT for T: %s. HTMTID_%08X in %s mode, Threads in htm mode: %d",
              htm_thread_name(thread), thread->htm_tid, mode_name(msr), in_htm_mode(thread) - 1);
    if (data) data->taborts_transactional++;
    if (htm_cache *cache = htm_thread_cache(data, thread)) release_cache(cache);
    htm_record_failure(thread, (int32_t)cause_of_abort(cause), IOP_Current_Address(iop), 1, REASON_ABORT,
                       msr);
}

void htm_tsuspend(IOPDesc *iop, uint64_t msr)
{
    ThreadState *thread = iop->thread;
    htm_get_machine_state(iop);
    if (ts_of(msr) != MSR_TS_TRANSACTIONAL) return;
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_TM_INT_FAIL) {
        htm_debug(
            thread,
            "htm_tsuspend: tsuspend op with SIM_CTRL[TM_INT_FAIL] set. T: %s, HTMTID_%08X. Marking xaction "
            "doomed",
            htm_thread_name(thread), thread->htm_tid);
        htm_record_failure(thread, HTM_CAUSE_IMPLEMENTATION_PERSISTENT, IOP_Current_Address(iop), 1, 0, msr);
        return;
    }
    htm_debug(
        thread,
        "htm_tsuspend: TSUSPEND for T: %s, HTMTID_%08X, Moving to SUSPENDED mode. Threads in htm mode: %d",
        htm_thread_name(thread), thread->htm_tid, in_htm_mode(thread));
    write_ts(iop, MSR_TS_SUSPENDED);
}

void htm_tresume(IOPDesc *iop, uint64_t msr)
{
    ThreadState *thread = iop->thread;
    htm_get_machine_state(iop);
    if (ts_of(msr) != MSR_TS_SUSPENDED) return;
    htm_debug(
        thread,
        "htm_tresume: TRESUME for T: %s, HTMTID_%08X, Moving to TRANSACTIONAL mode. Threads in htm mode: %d",
        htm_thread_name(thread), thread->htm_tid, in_htm_mode(thread));
    write_ts(iop, MSR_TS_TRANSACTIONAL);
    MemoryClient *client = thread->memory_client;
    if (client && !(client->reservation_valid && thread->htm_reservation_in_T)) clear_reservation_bit(client);
}

int htm_treclaim_dot(IOPDesc *iop, uint32_t cause, uint64_t msr)
{
    ThreadState *thread = iop->thread;
    htm_data *data = htm_get_machine_state(iop);
    if (ts_of(msr) == 0) {
        htm_debug(thread, "htm_treclaim_dot (%s Mode) for T: %s, Threads in htm mode: %d", mode_name(msr),
                  htm_thread_name(thread), in_htm_mode(thread));
        interrupt_HTM_Bad_Thing(iop, "HTM treclaim executed in TM non-transactional state");
        return 0;
    }
    if (in_transaction(msr)) {
        htm_debug(thread, "htm_treclaim_dot (%s Mode) for T: %s, HTMTID_%08X, Threads in htm mode: %d",
                  mode_name(msr), htm_thread_name(thread), thread->htm_tid, in_htm_mode(thread) - 1);
        const int32_t pending = thread->htm_failure_pending;
        htm_record_failure(thread, (int32_t)cause_of_abort(cause), IOP_Current_Address(iop), 1, REASON_ABORT,
                           msr);
        thread->htm_failure_pending = pending;
        if (htm_cache *cache = htm_thread_cache(data, thread)) release_cache(cache);
        htm_checkpoint_restore(thread);
        SET_TM_CR_From_MSR(iop, msr, 0);
        htm_leave_transaction_count(thread);
        clear_reservation(thread);
    }
    _WriteMSR(thread, thread->MSR.value & ~MSR_TS, 0, 0, __FILE__, __LINE__);
    return 1;
}

int htm_trechkpt_dot(IOPDesc *iop, uint64_t msr)
{
    ThreadState *thread = iop->thread;
    htm_data *data = htm_get_machine_state(iop);
    if (ts_of(msr) == MSR_TS_TRANSACTIONAL) htm_tsuspend(iop, msr);
    if (ts_of(msr) != 0 || !(iGET_TEXASR(iop) & TEXASR_FS)) {
        htm_debug(thread, "htm_trechkpt_dot (%s Mode) for T: %s, Threads in htm mode: %d", mode_name(msr),
                  htm_thread_name(thread), in_htm_mode(thread));
        interrupt_HTM_Bad_Thing(iop, TRECHKPT_BAD_THING);
        return 0;
    }
    enter_transaction_count(iop, data);
    htm_debug(thread, "htm_trechkpt_dot (%s Mode) for T: %s, HTMTID_%08X, Threads in htm mode: %d",
              mode_name(msr), htm_thread_name(thread), thread->htm_tid, in_htm_mode(thread));
    htm_checkpoint_save(iop);
    iSET_TDOOMED(iop, 1);
    thread->htm_failure_pending = 1;
    clear_reservation(thread);
    _WriteMSR(thread, (thread->MSR.value & ~MSR_TS) | MSR_TS_SUSPENDED, 0, 0, __FILE__, __LINE__);
    return 1;
}

void HTM_INCR_INSTR_COUNT(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if (!ts_of(thread->MSR.value)) return;
    if (htm_data *data = htm_get_machine_state(iop)) data->instructions_in_tm++;
}

int32_t HTM_Threads_In_Transaction(GenericMachine *machine)
{
    return machine ? machine->threads_in_transaction : 0;
}

uint32_t htm_transaction_id(ThreadState *thread)
{
    return thread ? thread->htm_tid : 0;
}
