// The translator's run loop.
#include "translator/turbo_go.h"

#include <algorithm>

#include "exec/thread_job.h"
#include "interrupts/interrupt_delivery.h"
#include "isa/hooks/trace_events.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/run/modes.h"
#include "processor/run/run_control.h"
#include "processor/run/run_gate.h"
#include "processor/time/processor_time.h"
#include "processor/time/time_registers.h"
#include "processor/translation/xlate_version.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/stop.h"
#include "translator/crack.h"
#include "translator/current_emat.h"
#include "translator/emat.h"
#include "translator/emat_modes.h"
#include "translator/frame.h"
#include "translator/jit_stubs.h"
#include "translator/run_boundary.h"
#include "translator/standalone_memory.h"
#include "translator/tt_triggers.h"
#include "translator/turbo_reason.h"
#include "translator/turbo_stats.h"
#include "translator/xframe.h"

namespace
{

constexpr uint64_t REAL_ADDRESS_LIMIT = 0x0FFFFFFFFFFFFFFFull;
constexpr int32_t SPR_TBL = 268;
constexpr int32_t SPR_TBU = 269;
constexpr int TRACE_INSTRUCTION_COUNTER = 0;
constexpr int DEBUG_CATEGORY_TRANSLATION_ROUTINES = 25;

// A map's table as translated code walks it: the top table in 64-bit mode, its first entry (the
// biased second-level table of every address below 2^46) in 32-bit mode.
void *map_table(emat_s *map, int wide)
{
    if (!map || !map->top) return nullptr;
    return wide ? static_cast<void *>(map->top) : reinterpret_cast<void *>(map->top[0]);
}

uint64_t ticks_per_cycle(const ThreadState *thread)
{
    const ProcessorState *core = thread->processor;
    return core && core->core_domain && core->core_domain->ticks_per_cycle
               ? core->core_domain->ticks_per_cycle
               : 1;
}

// The PC setter: the unmasked copy, the masked register, written.
void set_pc(ThreadState *thread, uint64_t pc)
{
    tFORCE_PC(thread, pc, 0);
}

// Ends turbo_go: clears turbo.active and returns what was executed.
uint32_t leave(ThreadState *thread)
{
    thread->turbo.active = 0;
    return (uint32_t)thread->turbo.executed;
}

// A return at a pass start: the reason is set and counted.
uint32_t refuse(ThreadState *thread, int32_t reason)
{
    thread->turbo.reason = reason;
    turbo_count_reason(reason);
    return leave(thread);
}

// The byte order of the current instruction record's access: MSR[LE], inverted by MSR[SLE] for an
// access other than a fetch.
int access_little_endian(ThreadState *thread)
{
    IOPDesc *iop = thread->current_iop;
    uint64_t msr = iGET_MSR(iop);
    int le = (msr & MSR_LE) ? 1 : 0;
    if ((msr & MSR_SLE) && iop->fetch.kind != AXD_KIND_FETCH) le ^= 1;
    return le;
}

// Charges D ticks for the pass and lets the event kernel run other jobs meanwhile.
void charge(ThreadState *thread, uint64_t ticks)
{
    uint64_t tpc = ticks_per_cycle(thread);
    thread->turbo.delay_to_cycle = thread->turbo.start_cycle + (ticks + tpc - 1) / tpc;
    Thread_delay_ticks(thread, ticks);
}

// Whether the count went from below the limit to the limit or past it; 0 and all ones are no limit.
bool reached(uint64_t before, uint64_t after, uint64_t limit)
{
    return limit != 0 && limit != ~0ull && before < limit && after >= limit;
}

// Adds the pass's instructions to the thread's and the machine's counts and stops at their limits.
void count_instructions(ThreadState *thread, uint64_t n)
{
    GenericMachine *machine = thread->machine;
    uint64_t thread_before = thread->Instruction_Number;
    uint64_t machine_before = machine->instruction_count;
    thread->Instruction_Number += n;
    machine->instruction_count += n;
    if (reached(thread_before, thread->Instruction_Number, thread->stop_after_instructions)) {
        Stop_The_Simulation(STOP_INSTRUCTION_COUNT);
        thread->stop_after_instructions = ~0ull;
    } else if (reached(machine_before, machine->instruction_count, machine->instruction_limit)) {
        Stop_The_Simulation(STOP_INSTRUCTION_COUNT);
        machine->instruction_limit = ~0ull;
    }
    if (__atomic_load_n(&stop_simulation, __ATOMIC_RELAXED) != 0) Thread_delay_ticks(thread, 0);
}

// Counts the kind (and the SPR number of mfspr and mtspr) of an "unknown" exit.
void count_unknown(const turbo_s &turbo)
{
    if (turbo.unknown_kind < 0 || turbo.unknown_kind > (int32_t)KIND_LAST) return;
    turbo_stats.counts.unknown_kinds[turbo.unknown_kind]++;
    uint32_t spr = (uint32_t)turbo.unknown_detail;
    if (spr >= (uint32_t)TURBO_SPR_NUMBERS) return;
    if (turbo.unknown_kind == (int32_t)KIND_MFSPR) turbo_stats.counts.mfspr[spr]++;
    if (turbo.unknown_kind == (int32_t)KIND_MTSPR) turbo_stats.counts.mtspr[spr]++;
}

// mftb completion: the mftb is redone at its own address while its time is charged, then the time
// base goes into its target. False when the PC moved meanwhile.
bool complete_mftb(ThreadState *thread, uint64_t ticks)
{
    turbo_s &turbo = thread->turbo;
    if (thread->chunk_mode) Thread_sync_time(thread, "mftb");
    set_pc(thread, turbo.pc - 4);
    uint64_t held = thread->PC.value;
    charge(thread, ticks);
    bool moved = thread->PC.value != held;
    if (moved) {
        SIM_PRINT("MFTB: during turbo delay... the pc changed\n");
    } else {
        set_pc(thread, turbo.pc);
        uint64_t value = 0;
        if (turbo.mftb_spr == SPR_TBL)
            value = ThreadState__GetTB(thread);
        else if (turbo.mftb_spr == SPR_TBU)
            value = ThreadState__GetTBU(thread);
        else
            sim_panic("unknown tbr %d\n", turbo.mftb_spr);
        Reg64 &target = thread->GPR[turbo.mftb_rt & 31];
        target.value = value;
        target.written = 1;
    }
    uint32_t mode = thread->machine->mode;
    if (chunk_instruction_limit > 0 && (mode == MODE_TURBO || mode == MODE_SIMPLE || mode == MODE_NAMELESS))
        thread->emat_fill_request = EMAT_FILL_NONE;
    return !moved;
}

// Idle delay: up to `most` of the instructions left are charged as idle time while the PC rests on
// the instruction before turbo.pc. False when the PC moved meanwhile.
bool idle_delay(ThreadState *thread, uint64_t ticks, uint64_t most)
{
    turbo_s &turbo = thread->turbo;
    uint32_t m = (uint32_t)std::min<uint64_t>(turbo.togo, most);
    turbo.executed += m;
    ticks += (uint64_t)m * ticks_per_cycle(thread);
    turbo.togo -= m;
    set_pc(thread, turbo.pc - 4);
    uint64_t held = thread->PC.value;
    charge(thread, ticks);
    if (thread->PC.value != held) {
        SIM_PRINT("DELAY_1000 LOW_LOW: during turbo delay... the pc changed\n");
        return false;
    }
    set_pc(thread, turbo.pc);
    return true;
}

} // namespace

uint64_t turbo_calc_delay(ThreadState *thread, uint64_t n, uint64_t delay)
{
    uint64_t cycles = delay > 0 ? n * (delay + 1) : n;
    return cycles * ticks_per_cycle(thread);
}

void turbo_update_xlate(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    GenericMachine *machine = thread->machine;
    const uint64_t msr = thread->MSR.value;
    const int fetch_mode = EMAT_XLATE_MODE(thread, 1);
    const int data_mode = EMAT_XLATE_MODE(thread, 0);
    const int debug = debug_state[DEBUG_CATEGORY_TRANSLATION_ROUTINES] > 0 && machine->turbo_debug ? 8 : 0;
    const int wide = (msr & MSR_SF) ? 16 : 0;
    int triggers = 0;
    if (tt_has_memtriggers(thread->mcm)) {
        triggers = 32;
        tt_handle_memtriggers(thread->mcm);
    }
    turbo.imix_table = SelectImixTable(thread, msr);
    const int data = data_mode + debug + wide + triggers;
    const uint64_t *writers = turbo.in_pturbo       ? jit_pturbo_writers
                              : turbo.simple_stores ? jit_simple_writers
                                                    : jit_complex_writers;
    turbo.writer = reinterpret_cast<void *>(writers[data]);
    // Standalone translations address guest memory directly from the host address of physical 0.
    uint8_t *base = turbo_standalone_memory(thread->mcm) ? turbo_standalone_base(thread->mcm) : nullptr;
    turbo.reader = base ? static_cast<void *>(base) : reinterpret_cast<void *>(jit_readers[data]);
    turbo.fetcher = reinterpret_cast<void *>(jit_fetchers[fetch_mode + debug + wide]);
    emat_s *fetch_map = GET_CURRENT_EMAT(thread, msr, 1);
    emat_s *data_map = GET_CURRENT_EMAT(thread, msr, 0);
    turbo.fetch_emat = map_table(fetch_map, wide);
    turbo.data_emat = map_table(data_map, wide);
    EMAT_COMPUTE_MASKS(thread, fetch_mode, &turbo.fetch_mask, &turbo.fetch_base);
    EMAT_COMPUTE_MASKS(thread, data_mode, &turbo.data_mask, &turbo.data_base);
    if (!turbo.in_pturbo) turbo_update_smt_priority(thread);
}

uint32_t turbo_go(ThreadState *thread, uint32_t budget)
{
    turbo_s &turbo = thread->turbo;
    GenericMachine *machine = thread->machine;
    IOPDesc *iop = thread->current_iop;

    turbo.calls++;
    turbo.executed = 0;
    thread->emat_fill_request = EMAT_FILL_NONE;
    turbo.togo = budget;
    const uint64_t delay = thread->smt_delay_factor;

    if (CheckInterrupts(iop, 0)) {
        turbo.reason = EXIT_INTERRUPT;
        thread->emat_fill_request = EMAT_FILL_NONE;
        turbo_count_reason(EXIT_INTERRUPT);
        return 0;
    }
    turbo.smt_priority = thread->x_smt_priority;
    turbo.low_priority_count = TURBO_LOW_PRIORITY_COUNT;

    uint32_t pass_budget = budget;
    for (;;) {
        if (machine->threads_in_transaction > 0) return refuse(thread, EXIT_TRANSACTIONAL_MEMORY);
        if (pass_budget < machine->turbo_minimum) return refuse(thread, EXIT_AMOUNT_TOO_SMALL);
        turbo.start_cycle = TD_get_current_cycles(thread->processor->core_domain);
        const uint64_t msr = thread->MSR.value;
        const int little_endian = (msr & MSR_LE) ? 1 : 0;
        if (turbo.big_endian == TURBO_ENDIAN_NOT_FIXED)
            turbo.big_endian = little_endian ? TURBO_LITTLE_ENDIAN : TURBO_BIG_ENDIAN;
        if ((turbo.big_endian == TURBO_LITTLE_ENDIAN) != (little_endian != 0))
            return refuse(thread, EXIT_LITTLE_ENDIAN);
        if (thread->FPR_INVALID_MAP.value != ~0ull) return refuse(thread, EXIT_DIRTY_FPRS);

        emat_s *data_map = GET_CURRENT_EMAT(thread, msr, 0);
        emat_s *fetch_map = GET_CURRENT_EMAT(thread, msr, 1);
        thread->emat_fill_request = EMAT_FILL_NONE;
        if (!data_map || !fetch_map) {
            sim_warning(2, "null emat for msr = 0x%llx", (unsigned long long)msr);
            turbo.no_emat_exits++;
            return refuse(thread, EXIT_NO_EMAT);
        }

        turbo_update_simple_store_flag(thread);
        const uint64_t pc = thread->PC.value;
        uint64_t key;
        int fetch_mode = EMAT_XLATE_MODE(thread, 1);
        if (fetch_mode == XMODE_EA0 && (pc >> 63)) {
            key = pc & thread->processor->real_mode_mask & REAL_ADDRESS_LIMIT;
        } else {
            uint64_t mask = ~0ull, base = 0;
            EMAT_COMPUTE_MASKS(thread, fetch_mode, &mask, &base);
            key = (pc & mask) | base;
        }

        xframe *x = emat_xframe(fetch_map, key, (msr & MSR_SF) ? 1 : 0);
        if (!x || !x->frame || (x->frame->little_endian != 0) != (access_little_endian(thread) != 0)) {
            turbo.fetch_exits++;
            thread->emat_fill_request = EMAT_FILL_FETCH;
            current_xlate_version++;
            return refuse(thread, EXIT_FETCH);
        }

        turbo.pending_fprf_register = -1;
        turbo.pending_fpcc_field = -1;
        turbo.togo = pass_budget;
        if (machine->turbo_mftb) turbo.tb_at_entry[0] = turbo.tb_at_entry[1] = ThreadState__GetTB(thread);
        turbo.unknown_kind = -1;
        turbo.pc = pc;
        turbo_update_xlate(thread);
        jit_before(thread, x);
        TRC_BEFORE(thread, pass_budget);
        INSTR_DEBUG_BEFORE(thread);
        old_sig11_handler = tsim_set_handler(turbo_handler);
        turbo.current_pc = ~0ull;
        turbo.active = 1;
        turbo.dec_at_entry = (int32_t)ThreadState__GetDEC(thread);

        turbo_running_thread = thread;
        uint32_t left = xframe_entry(x, thread, pc, turbo.togo, data_map, EMAT_GET_BIAS(), fetch_map);
        tsim_set_handler(old_sig11_handler);
        turbo_running_thread = nullptr;
        const int32_t reason = turbo.reason;

        // The halt and the branch to itself count as executed and idle away the rest of the budget.
        bool idle = false;
        if (!thread->chunk_mode) {
            if (reason == EXIT_BOGUS && turbo.support_code == TURBO_SUPPORT_HALT) {
                turbo.pc += 4;
                if (left) left--;
                idle = true;
            } else if (reason == EXIT_BRANCH_SELF) {
                if (left) left--;
                idle = true;
            }
        }

        left = jit_after(thread, left);
        if (reason == EXIT_XFLUSH) EMAT_XFLUSH(thread->mcm, turbo.xflush_address);
        if (reason == EXIT_UNKNOWN) count_unknown(turbo);

        uint64_t n;
        if (left > turbo.togo) {
            // More left than given: nothing of the pass is counted, and the budget stays whole.
            sim_error("togo = %d, not_reported = %d", (int)left, (int)turbo.togo);
            left = turbo.togo;
            n = 0;
        } else {
            n = turbo.togo - left;
        }
        turbo_count_reason(reason);
        turbo.not_reported = n;
        turbo.executed += n;
        TRC_AFTER(thread, n);
        INSTR_DEBUG_AFTER(thread);
        turbo.instructions += n;
        turbo.togo = left;
        uint64_t ticks = turbo_calc_delay(thread, n, delay);

        if (idle && left != 0) {
            ticks += (uint64_t)left * ticks_per_cycle(thread);
            turbo.executed += left;
            turbo.togo = 0;
        }

        turbo_update_FPSCR(thread, 0, 0, 0);
        turbo_update_smt_priority(thread);
        thread->wake_me_up_if_my_priority_changes = 1;

        bool pc_kept = true;
        switch (reason) {
        case EXIT_MFTB:
            pc_kept = complete_mftb(thread, ticks);
            break;
        case EXIT_PRIORITY_LOW_LOW:
        case EXIT_LARX:
            pc_kept = idle_delay(thread, ticks, TURBO_IDLE_CHUNK);
            break;
        case EXIT_DELAY_1000:
            pc_kept = idle_delay(thread, ticks, machine->turbo_noop_delay);
            break;
        case EXIT_WAIT_ON_MEMORY:
            set_pc(thread, turbo.pc);
            ticks += (uint64_t)turbo.togo * ticks_per_cycle(thread);
            turbo.executed += turbo.togo;
            turbo.togo = 0;
            charge(thread, ticks);
            break;
        default:
            set_pc(thread, turbo.pc);
            charge(thread, ticks);
            break;
        }

        thread->wake_me_up_if_my_priority_changes = 0;
        turbo.not_reported = 0;
        if (n > 0) count_instructions(thread, n);

        int32_t fill = EMAT_FILL_NONE;
        if (pc_kept && Check_Can_Run(thread, 0)) {
            if ((reason == EXIT_MFTB || reason == EXIT_PRIORITY_LOW_LOW || reason == EXIT_DELAY_1000) &&
                turbo.togo != 0 && thread->smt_delay_factor == delay) {
                pass_budget = turbo.togo;
                continue;
            }
            switch (reason) {
            case EXIT_FETCH:
                fill = EMAT_FILL_FETCH;
                current_xlate_version++;
                break;
            case EXIT_DCBZ:
            case EXIT_WRITE:
                fill = EMAT_FILL_WRITE;
                break;
            case EXIT_READ:
                fill = EMAT_FILL_READ;
                break;
            default:
                break;
            }
        }
        thread->emat_fill_request = fill;

        if (cnt_is_active(TRACE_INSTRUCTION_COUNTER)) trc_uncount_unfinished(reason);
        return leave(thread);
    }
}

uint64_t turbo_get_delta_instructions(ThreadState *thread, uint64_t from, uint64_t to)
{
    const turbo_s &turbo = thread->turbo;
    if (!turbo.active) return 0;
    const uint64_t start = turbo.start_cycle, end = turbo.delay_to_cycle;
    if (end <= from || start >= to || from == to || end == start) return 0;
    if (from > to) {
        sim_error("turbo_get_delta_instructions: to_cycle %ld less than from_cycle %ld.", (long)to,
                  (long)from);
        return 0;
    }
    if (end < start) {
        sim_error("T->turbo.delay_to_cycle: %ld less than T->turbo.start_cycle: %ld.", (long)end,
                  (long)start);
        return 0;
    }
    float share = (float)(std::min(to, end) - std::max(from, start)) / (float)(end - start);
    return (uint64_t)(share * (float)turbo.not_reported);
}

void turbo_show_stats(void) {}
