// The thread job and its chunk loop.
#include "exec/thread_job.h"

#include <cstdio>
#include <cstring>

#include "decode/instr_info.h"
#include "exec/fast_interpreter.h"
#include "exec/hooks/engines.h"
#include "exec/instruction_hooks.h"
#include "exec/interpreter.h"
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "interrupts/msr_write.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "mmu/data_path_hooks.h"
#include "mmu/hooks/pc_triggers.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/pturbo_control.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_triggers.h"
#include "processor/run/run_control.h"
#include "processor/run/run_gate.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_services.h"
#include "processor/time/time_registers.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/stop.h"
#include "runtime/triggers.h"

int32_t chunk_instruction_limit = -1;

namespace
{

// The thread whose job has just found that it can run without waiting: the first instruction of
// its next SIMPLE step needs no second look (nothing runs in between).
thread_local ThreadState *checked_thread = nullptr;

constexpr int DEBUG_CATEGORY_INSTRUCTIONS = 12, DEBUG_CATEGORY_INSTRUCTIONS_ALSO = 14;
constexpr uint32_t INTERPRETED_CHUNK = 500;
constexpr int32_t EXIT_REASON_TRANSACTION = 51;
constexpr uint64_t MSR_TS_BITS = 0x0000000600000000ull;
constexpr int COVERAGE_LINE = 200;

uint64_t ticks_per_cycle(const ProcessorState *core)
{
    return core && core->core_domain && core->core_domain->ticks_per_cycle
               ? core->core_domain->ticks_per_cycle
               : 1;
}

uint32_t stop_word()
{
    return __atomic_load_n(&stop_simulation, __ATOMIC_SEQ_CST);
}

bool chunky_mode_allowed(uint32_t mode)
{
    return chunk_instruction_limit > 0 &&
           (mode == MODE_TURBO || mode == MODE_SIMPLE || mode == MODE_NAMELESS);
}

uint32_t min_u32(uint32_t a, uint32_t b)
{
    return a < b ? a : b;
}

// The chunk's instruction count; *engine says whether an engine may take it.
uint32_t chunk_size(ThreadState *thread, bool *engine)
{
    GenericMachine *machine = thread->machine;
    uint32_t mode = machine->mode;
    uint32_t n = 0;
    *engine = true;

    switch (mode) {
    case MODE_TURBO:
    case MODE_PTURBO:
    case MODE_NAMELESS:
        n = (uint32_t)machine->turbo_maximum;
        break;
    case MODE_LOOSE:
    case MODE_FAST:
    case MODE_WARMUP:
        n = INTERPRETED_CHUNK;
        break;
    default:
        n = 0;
        break;
    }
    if (chunky_mode_allowed(mode)) n = (uint32_t)chunk_instruction_limit;

    if (n > 1) {
        if (thread->stop_after_instructions > thread->Instruction_Number)
            n = min_u32(n, (uint32_t)(thread->stop_after_instructions - thread->Instruction_Number));
        if (machine->instruction_limit > machine->instruction_count)
            n = min_u32(n, (uint32_t)(machine->instruction_limit - machine->instruction_count));
    }
    if (n > 1) {
        uint64_t cycle = GenericMachine__BaseCycles(machine);
        if (cycle <= machine->cycle_limit + 1) n = min_u32(n, (uint32_t)(machine->cycle_limit - cycle + 1));
    }
    if (n > 1) {
        uint32_t capped = ThreadState__DecLimits(thread, 0, n);
        if (capped < n) n = capped;
    }
    if (n > 1 && mode == MODE_FAST) {
        uint64_t t = ticks_until_next_event();
        if (t == 0) {
            *engine = false;
            return 1;
        }
        // All ones: no other event is scheduled, so nothing caps the chunk (the rounding-up
        // division would wrap to 0 there).
        if (t != ~0ull) {
            uint64_t tpc = ticks_per_cycle(thread->processor);
            uint32_t c = (uint32_t)((t + tpc - 1) / tpc);
            if (c < n) n = c;
        }
    }
    if (n > 1 && thread->smt_delay_factor != 0) {
        n = (uint32_t)(n / (thread->smt_delay_factor + 1));
        if (n == 0) {
            *engine = false;
            return 1;
        }
    }
    if (n == 0) {
        *engine = false;
        return 1;
    }
    return n;
}

bool mode_has_engine(uint32_t mode)
{
    switch (mode) {
    case MODE_TURBO:
    case MODE_PTURBO:
    case MODE_LOOSE:
    case MODE_FAST:
    case MODE_WARMUP:
    case MODE_NAMELESS:
        return true;
    default:
        return false;
    }
}

void write_coverage_line(IOPDesc *iop)
{
    char line[COVERAGE_LINE + 1];
    PrintArchitecturalCoverage(line, COVERAGE_LINE, iop, (iGET_MSR(iop) & MSR_SF) ? 1 : 0);
    line[COVERAGE_LINE] = '\0';
    fprintf(Quarn_Architectural_Coverage_File, "%s\n", line);
}

// Counting, tracing and profiling of an interpreted instruction, then interrupts, triggers, the
// instruction counts and their stops.
void after_instruction(ThreadState *thread, IOPDesc *iop)
{
    GenericMachine *machine = thread->machine;
    if (debug_state[DEBUG_CATEGORY_INSTRUCTIONS] > 0 || debug_state[DEBUG_CATEGORY_INSTRUCTIONS_ALSO] > 0)
        CheckDebugInstruction(iop);

    prof_entry *entry = nullptr;
    bool profiling = prof_is_on();
    if (profiling)
        entry = prof_lookup(iop->word, (uint32_t)((iop->fetch.pa & 0xFFF) >> 2), iop->fetch.pa & ~0xFFFull);
    if (TRC_IS_ON() && !iop->fail) {
        trc_smt(thread);
        if (iop->data.size != -1) trc_mem(iop->data.ea, entry);
        trc_ins(iop->word, iop->fetch.ea, entry);
    }
    if (thread->turbo.current_pc != iop->fetch.ea) {
        if (!iop->fail) {
            if (imix_is_on()) {
                uint64_t *mix = SelectImixTable(thread, iop->msr);
                if (mix) mix[turbo_id(iop->word)]++;
            }
            if (profiling && entry) {
                entry->count++;
                entry->last_address = iop->fetch.ea;
            }
        }
        thread->turbo.current_pc = ~0ull;
    }

    if (iop->exceptions) {
        if (We_are_Assist_Thread(thread)) {
            Stop_One_Assist_Thread(thread, thread);
            return;
        }
        FlushException(iop);
    }
    int delivered = thread->interrupt_queue.head ? CheckInterrupts(iop, 1) : 0;
    // Without instruction-address triggers the check only marks the next address.
    TriggerTable *triggers = machine->trigger_table;
    if (triggers && triggers->pc_count != 0)
        Check_For_Triggers_Before_Next_Instr(iop);
    else
        thread->pc_trigger_mark = iop->defer_side_effects ? iop->fetch.ea : thread->PC.value;

    thread->Instruction_Number++;
    machine->instruction_count++;
    if (thread->Instruction_Number == thread->stop_after_instructions) {
        Stop_The_Simulation(STOP_INSTRUCTION_COUNT);
        thread->stop_after_instructions = ~0ull;
    } else if (machine->instruction_count == machine->instruction_limit) {
        Stop_The_Simulation(STOP_INSTRUCTION_COUNT);
        machine->instruction_limit = ~0ull;
    }
    if (delivered == 1 && stop_word() != 0) Stop_The_Simulation(STOP_INSTRUCTION_EXCEPTION);
}

} // namespace

void PPC_Advance_Job(void *argument)
{
    auto *thread = static_cast<ThreadState *>(argument);
    job_check_for_reinitialization();
    for (;;) {
        // A thread that can run at once needs no second look before its first instruction; one
        // that had to wait is looked at again (it may have been stopped or switched meanwhile).
        if (Check_Can_Run(thread, 0))
            checked_thread = thread;
        else
            Check_Can_Run(thread, 1);
        Simple_Advance_PPC(thread);
    }
}

void Simple_Advance_PPC(ThreadState *thread)
{
    GenericMachine *machine = thread->machine;
    ProcessorState *core = thread->processor;
    IOPDesc *iop = thread->current_iop;
    uint32_t mode = machine->mode;

    bool chunky = chunky_mode_allowed(mode);
    if (chunky) {
        thread->chunk_mode = 1;
        if (thread->job) thread->job->chunky = 1;
        thread->chunk_delay = 0;
    }
    iop->row = nullptr;
    iop->word = 0;
    iop->length = 0;
    iop->fetch.le = 0;

    bool just_checked = checked_thread == thread && mode == MODE_SIMPLE && !chunky;
    checked_thread = nullptr;

    bool engine = true;
    uint32_t n = chunk_size(thread, &engine);
    if (engine) {
        if (machine->threads_in_transaction > 0) {
            thread->turbo.reason = EXIT_REASON_TRANSACTION;
            engine = false;
        } else {
            engine = mode_has_engine(mode);
        }
    }
    uint64_t delay = thread->smt_delay_factor;
    uint64_t tpc = ticks_per_cycle(core);
    thread->chunk_delay_cap = (uint64_t)n * (delay + 1) * tpc;

    do {
        iop->cycles = 0;
        thread->htm_failure_reason = 0;

        if (engine && !single_step_enabled(iop)) {
            uint32_t k = 0;
            if (mode == MODE_TURBO || mode == MODE_NAMELESS) {
                uint64_t before = thread->chunk_delay;
                k = turbo_go(thread, n);
                n -= k;
                if (chunky && thread->chunk_delay - before != (uint64_t)k * (delay + 1) * tpc)
                    sim_warning(2, "cnt/remainder missmatch.");
            } else if (mode == MODE_PTURBO) {
                k = pturbo_go(thread);
                n = thread->turbo.pturbo_togo;
            } else {
                k = fast_go(thread, n);
                n -= k;
            }
            if (k != 0) {
                // An interpreted instruction is counted after these checks: the engine's last one
                // is left out of the counts meanwhile, so a trigger sees the same count in every
                // mode.
                thread->Instruction_Number--;
                machine->instruction_count--;
                CheckInterrupts(iop, 1);
                Check_For_Triggers_Before_Next_Instr(iop);
                thread->Instruction_Number++;
                machine->instruction_count++;
            }
            if (chunky ? (!thread->chunk_mode || n == 0) : n == 0) break;
        } else if (n == 0) {
            break;
        }

        bool can_run = just_checked || Check_Can_Run(thread, 0);
        just_checked = false;
        if (can_run) {
            if (thread->interrupt_check_pending) {
                CheckInterrupts(iop, 1);
                thread->interrupt_check_pending = 0;
            }
            if (thread->htm_failure_pending && thread->htm_failure_stage != 0 &&
                (iGET_MSR(iop) & MSR_TS_BITS) == MSR_TS_TRANSACTIONAL &&
                machine->threads_in_transaction != 0 &&
                !((thread->MSR.value & MSR_SE) && iop->row && iop->row->id == ROW_TRESUME_DOT))
                htm_handle_failure(iop);

            int r = run_one_instruction(iop);
            if (core->options[PO_ARCHITECTURAL_COVERAGE_SCHEMA1] && Quarn_Architectural_Coverage_File)
                write_coverage_line(iop);
            if (r == 0) {
                Thread_delay_cycles(thread, 0);
            } else {
                after_instruction(thread, iop);
                uint64_t cycles =
                    (chunky || mode == MODE_PTURBO) ? 1 : (uint64_t)(iop->cycles > 0 ? iop->cycles : 0);
                iop->cycles = 0;
                n--;
                Thread_delay_cycles(thread, cycles);
            }
        }
        uint32_t word = stop_word();
        if (!(n > 0 && thread->chunk_mode && thread->chunk_delay < thread->chunk_delay_cap &&
              (word == 0 || word == STOP_USER_INTERRUPT) && Check_Can_Run(thread, 0)))
            break;
    } while (true);

    Thread_sync_time(thread, "end of chunk");
    if (thread->ha_flush_pending) ha_walk(iop);
}
