// Statistics and end-of-run accounting of the parallel mode.
#include "translator/pturbo_stats.h"

#include <algorithm>

#include "isa/hooks/trace_events.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"
#include "runtime/stat_print.h"
#include "runtime/stop.h"
#include "translator/ptask.h"
#include "translator/run_boundary.h"
#include "translator/turbo_go.h"
#include "translator/turbo_kips.h"
#include "translator/turbo_stats.h"

pturbo_stats_s pturbo_stats;
int64_t sum_actual_ptimes = 0, sum_0_ptimes = 0, sum_perfect_ptimes = 0;
int64_t pturbo_forecast[PTURBO_FORECAST_MODELS];
int64_t pturbo_service_sum = 0, pturbo_service_count = 0;
int64_t pturbo_stores_safe = 0, pturbo_stores_complex = 0;

namespace
{

uint64_t ticks_per_cycle(const ThreadState *thread)
{
    const ProcessorState *core = thread->processor;
    return core && core->core_domain && core->core_domain->ticks_per_cycle
               ? core->core_domain->ticks_per_cycle
               : 1;
}

bool reached(uint64_t count, uint64_t limit)
{
    return limit != 0 && limit != ~0ull && count >= limit;
}

} // namespace

void pturbo_stats_print(void *, GenericMachine *machine)
{
    if (!machine) return;
    const pturbo_stats_s &s = pturbo_stats;
    Stat_print_head("ParallelTurbo");
    Stat_print_set_tag("PTurbo");
    if (s.dispatches == 0) {
        Stat_print(0, "Never Used");
        turbo_kips_internal(machine);
        Stat_print_tail("ParallelTurbo");
        return;
    }
    const float dispatches = (float)s.dispatches;
    Stat_print(0, "Number of dispatches: %ld.", (long)s.dispatches);
    Stat_print(0, "Number of total ptasks dispatched: %ld.", (long)s.tasks_dispatched);
    Stat_print(0, "Average number of SMT Threads per dispatch: %.3f", (float)s.tasks_dispatched / dispatches);
    Stat_print(0, "Number of single-threaded-instructions: %ld.", (long)s.single_instructions);
    Stat_print(0, "Number of parallel instructions: %ld.", (long)s.parallel_instructions);
    Stat_print(0, "Average (max) single-thread-instructions per dispatch: %.3f",
               (float)s.single_instructions / dispatches);
    Stat_print(0, "Average per-co-ptask parallel instructions per dispatch: %.3f",
               s.per_co_task / dispatches);
    if (s.tasks_dispatched - s.dispatches > 0)
        Stat_print(0, "Average instructions per secondary ptask: %.3f",
                   (float)(s.parallel_instructions - s.single_instructions) /
                       (float)(s.tasks_dispatched - s.dispatches));
    Stat_print(0, "Maximum possible speedup of ParallelTurbo mode: %.3f",
               s.single_instructions ? (float)s.parallel_instructions / (float)s.single_instructions : 1.0f);
    Stat_print(0, "Number of extra threads: %d", machine->pturbo_workers);
    const int64_t stores = pturbo_stores_safe + pturbo_stores_complex;
    Stat_print(0, "Stores Total: %ld. Safe: %ld (%.2f%%).", (long)stores, (long)pturbo_stores_safe,
               (float)pturbo_stores_safe * 100.0f / (float)stores);
    Stat_print(0, "Parallel time sums. Actual %ld, Single %ld, Optimal: %ld.", (long)sum_actual_ptimes,
               (long)sum_0_ptimes, (long)sum_perfect_ptimes);
    Stat_print(0, "Average ptask service time: %.0f.",
               (double)pturbo_service_sum / (double)pturbo_service_count);
    Stat_print(0, "Number of MFTB \"saves\": %ld.", (long)s.tb_supplied);
    Stat_print(0, "Forecasts:");
    for (int k = 1; k <= PTURBO_FORECAST_MODELS; k++)
        Stat_print(6, "%d: %ld.", k, (long)pturbo_forecast[k - 1]);

    uint64_t total = 0;
    for (int32_t p = 0; ProcessorState *core = GenericMachine__Processor(machine, p); p++)
        for (uint32_t t = 0; t < core->num_threads; t++)
            total += core->threads[t].Instruction_Number;
    for (int32_t p = 0; ProcessorState *core = GenericMachine__Processor(machine, p); p++)
        for (uint32_t t = 0; t < core->num_threads; t++) {
            const uint64_t n = core->threads[t].Instruction_Number;
            Stat_print(0, "CPU %d, Thread %d. Instruction count %11ld (%5.2f%%).", (int)p, (int)t, (long)n,
                       total ? (double)n * 100.0 / (double)total : 0.0);
        }
    Stat_print(0, "Total Instructions %ld.", (long)total);
    turbo_kips_internal(machine);
    Stat_print_tail("ParallelTurbo");
}

uint64_t turbo_report(ThreadState *thread, uint32_t togo, uint64_t executed, int halt)
{
    turbo_s &turbo = thread->turbo;
    GenericMachine *machine = thread->machine;
    turbo_count_reason(turbo.reason);
    TRC_AFTER(thread, executed);
    INSTR_DEBUG_AFTER(thread);
    turbo.instructions += executed;
    turbo.togo = togo;
    uint64_t ticks = turbo_calc_delay(thread, executed, thread->smt_delay_factor);
    if (executed > 0) {
        thread->Instruction_Number += executed;
        machine->instruction_count += executed;
        if (reached(thread->Instruction_Number, thread->stop_after_instructions)) {
            Stop_The_Simulation(STOP_INSTRUCTION_COUNT);
            thread->stop_after_instructions = ~0ull;
        } else if (reached(machine->instruction_count, machine->instruction_limit)) {
            Stop_The_Simulation(STOP_INSTRUCTION_COUNT);
            machine->instruction_limit = ~0ull;
        }
    }
    if (halt) {
        ticks += (uint64_t)togo * ticks_per_cycle(thread);
        turbo.togo = 0;
    }
    return ticks;
}

uint64_t pturbo_get_delta_instructions(ThreadState *thread, uint64_t from, uint64_t to)
{
    const turbo_s &turbo = thread->turbo;
    if (!turbo.in_pturbo || !turbo.ptask) return 0;
    const uint64_t tpc = ticks_per_cycle(thread);
    const uint64_t start = turbo.ptask->start_cycle;
    const uint64_t end = (turbo.pturbo_run_to + tpc - 1) / tpc;
    if (end == 0 || from >= end || start >= to || from == to) return 0;
    if (to < from) {
        sim_error("pturbo_get_delta_instructions: to_cycle %ld less than from_cycle %ld.", (long)to,
                  (long)from);
        return 0;
    }
    if (end < start) {
        sim_error("turbo_delay_to_cycle: %ld less than start_cycle: %ld.", (long)end, (long)start);
        return 0;
    }
    if (end == start) return 0;
    const float share = (float)(std::min(to, end) - std::max(from, start)) / (float)(end - start);
    return (uint64_t)(share * (float)turbo.pturbo_done);
}
