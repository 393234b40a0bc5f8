// Statistics and end-of-run accounting of the parallel mode: the dispatch counters, the
// "ParallelTurbo" report, turbo_report (the accounting at the end of a translated run) and the
// instructions a thread executed within a cycle window.
#pragma once

#include <cstdint>

struct GenericMachine;
struct ThreadState;

constexpr int PTURBO_FORECAST_MODELS = 16;

// Dispatch statistics of the parallel mode.
struct pturbo_stats_s {
    int64_t single_instructions;   // sum over dispatches of the largest task's instructions
    int64_t parallel_instructions; // sum over dispatches of all tasks' instructions
    int64_t dispatches;
    int64_t stop_dispatches; // dispatches made to serve stop requests
    int64_t tasks_dispatched;
    float per_co_task;   // accumulated per-co-task instructions
    int64_t tb_supplied; // time-base values supplied to waiting threads
};

extern "C" {
extern pturbo_stats_s pturbo_stats;
extern int64_t sum_actual_ptimes, sum_0_ptimes, sum_perfect_ptimes;
extern int64_t pturbo_forecast[PTURBO_FORECAST_MODELS];
extern int64_t pturbo_service_sum, pturbo_service_count;
// Store counters nothing raises; the report prints them as they are.
extern int64_t pturbo_stores_safe, pturbo_stores_complex;
}

// The "ParallelTurbo" report (the "pturbo" statistics-print callback).
void pturbo_stats_print(void *data, GenericMachine *machine);
// End-of-run accounting: counts the exit reason, charges the run's instructions (and, with halt,
// the instructions to go as idle cycles), stops at the thread's or the machine's instruction
// limit; the run's ticks.
uint64_t turbo_report(ThreadState *thread, uint32_t togo, uint64_t executed, int halt);
// The instructions of the thread's current parallel call that fall into the cycle window
// [from, to), pro rata; 0 outside parallel mode.
uint64_t pturbo_get_delta_instructions(ThreadState *thread, uint64_t from, uint64_t to);
