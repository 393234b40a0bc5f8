// Heartbeat, periodic statistics, rate line and scalability analysis (see progress_stats.h).
#include "exec/progress_stats.h"

#include <sys/time.h>
#include <x86intrin.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "exec/thread_loops.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "processor/hooks/periodic_stats_standin.h"
#include "processor/prints/trace_text.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/time/processor_time.h"
#include "processor/time/time_base.h"
#include "processor/time/time_domain.h"
#include "runtime/callbacks.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/punctuate.h"
#include "runtime/stat_print.h"
#include "runtime/utils.h"

uint64_t Default_PERIODIC_STATS_cycles = 20000000;
uint64_t Default_PERIODIC_STATS_interval = 4000000;
uint64_t Quarn_Start_Stamp = 0;

namespace
{

constexpr int DEBUG_PERIODIC_RATE = 208, DEBUG_PERIODIC_OTHER = 209, DEBUG_SCALABILITY = 210;
constexpr int MAX_ACTIVE = 256;
constexpr int SERVER_RANGES = 6;
constexpr int32_t par_server_ranges[SERVER_RANGES] = {1, 2, 4, 8, 16, 256};

// The scalability analysis: process-wide, never reset by the simulator.
ThreadState *par_server_active_Ts[MAX_ACTIVE];
int32_t par_serve_last_num_active_Ts = 0;
uint64_t par_serve_last_tick = 0;
uint64_t par_serve_last_cycle = 0;
uint64_t par_serve_total_instructions = 0;
uint64_t par_serve_total_single_thread_instructions = 0;
uint64_t par_serve_instrs_total_by_active_T[MAX_ACTIVE];
uint64_t par_serve_instrs_single_by_active_T[MAX_ACTIVE];
uint64_t par_server_scaling_dynamic[SERVER_RANGES];

bool first_rate_line = true;

uint64_t ticks_per_cycle(const ThreadState *thread)
{
    const ProcessorState *core = thread->processor;
    return core && core->core_domain && core->core_domain->ticks_per_cycle
               ? core->core_domain->ticks_per_cycle
               : 1;
}

tsim_s *kernel_of(const ThreadState *thread)
{
    return thread && thread->machine ? thread->machine->tsim : nullptr;
}

bool debug_on(int category)
{
    return get_debug_flag(category) > 0;
}

bool first_thread_of_first_processor(const ThreadState *thread)
{
    return thread->thread_id_in_core == 0 && thread->processor && thread->processor->core_id == 0;
}

ThreadState *first_active(void)
{
    for (ThreadState *thread : par_server_active_Ts)
        if (thread) return thread;
    return nullptr;
}

} // namespace

char *Heartbeat_Elapsed_Text(char *buffer, int64_t seconds)
{
    const int days = (int)(seconds / 86400), hours = (int)(seconds % 86400 / 3600);
    const int minutes = (int)(seconds % 3600 / 60), rest = (int)(seconds % 60);
    char d[16] = "", h[16] = "", m[16] = "";
    if (days) snprintf(d, sizeof d, "%dd ", days);
    if (hours) snprintf(h, sizeof h, "%dh ", hours);
    if (minutes) snprintf(m, sizeof m, "%dm ", minutes);
    snprintf(buffer, 64, "%s%s%s%ds", d, h, m, rest);
    return buffer;
}

void Heartbeat_Callback(loop_s *, void *argument)
{
    auto *thread = static_cast<ThreadState *>(argument);
    GenericMachine *machine = thread->machine;
    char count[PUNCTUATE_BUFFER_SIZE];
    PunctuateLargeInteger(count, (int64_t)thread->Instruction_Number);
    timeval now;
    gettimeofday(&now, nullptr);
    int64_t usec = machine ? (now.tv_sec - machine->heartbeat_start_sec) * 1000000 +
                                 (now.tv_usec - machine->heartbeat_start_usec)
                           : 0;
    int64_t seconds = usec / 1000000 + (usec % 1000000 >= 500000 ? 1 : 0);
    char elapsed[64];
    Heartbeat_Elapsed_Text(elapsed, seconds);
    const ProcessorState *core = thread->processor;
    uint64_t clock = core && core->core_domain ? TD_get_current_cycles(core->core_domain) : 0;
    LogEntry("HEARTBEAT", thread->device_number,
             "%s instrs, %s elapsed, PC = 0x%016lX LR = 0x%016lX CLOCK=%ld\n", count, elapsed,
             (unsigned long)thread->PC.value, (unsigned long)thread->LR.value, (long)clock);
}

void Periodic_Stats_Callback(loop_s *, void *argument)
{
    auto *thread = static_cast<ThreadState *>(argument);
    if (!thread) return;
    if (debug_on(DEBUG_PERIODIC_RATE) || debug_on(DEBUG_PERIODIC_OTHER) || debug_on(DEBUG_SCALABILITY))
        Thread_Periodic_Stats_Sample(thread);
    if (tsim_s *tsim = kernel_of(thread)) tsim_dump_stats(tsim);
}

void Thread_Periodic_Stats_Sample(ThreadState *thread)
{
    GenericMachine *machine = thread->machine;
    tsim_s *tsim = kernel_of(thread);
    const uint64_t now_usec = GetMicroSecond();
    if (thread->sample_last_usec == 0) {
        thread->sample_last_usec = now_usec;
        thread->sample_start_instructions = thread->Instruction_Number;
        thread->sample_simulation_id = tsim_current() ? (int64_t)current_job_number() : -1;
        if (!tsim) {
            sim_error("tsim in machine is NULL!!!!");
            thread->sample_start_cycle = 0;
        } else {
            uint64_t per_cycle = ticks_per_cycle(thread);
            thread->sample_start_cycle = (tsim->now + per_cycle - 1) / per_cycle;
        }
        return;
    }
    if (now_usec - thread->sample_last_usec < Default_PERIODIC_STATS_interval) return;
    char header[128] = "";
    const uint32_t flags = machine ? machine->print_header_flags : 0;
    if (flags & 0x4) {
        time_t wall = time(nullptr);
        char text[32];
        ctime_r(&wall, text);
        snprintf(header, sizeof header, "%.19s ", text);
    }
    if (flags & 0x1) {
        size_t used = strlen(header);
        snprintf(header + used, sizeof header - used, "%s: ", Prepare_Time(machine));
    }
    const uint64_t elapsed = now_usec - thread->sample_last_usec;
    for (Callback_Function *entry = callBackFunctionLists[CALLBACK_PERIODIC_STATS_PRINT].head; entry;
         entry = entry->next)
        reinterpret_cast<void (*)(void *, ThreadState *, const char *, uint64_t)>(entry->function)(
            entry->data, thread, header, elapsed);
    thread->sample_last_usec = now_usec;
}

void Periodic_Rate_Callback(void *, ThreadState *thread, const char *prefix, uint64_t elapsed_usec)
{
    GenericMachine *machine = thread->machine;
    if (!debug_on(DEBUG_PERIODIC_RATE) || !machine || !machine->periodic_stats_flags) return;
    if (first_rate_line) {
        machine->rate_io_previous = machine->stats.io_started;
        first_rate_line = false;
    }
    const uint64_t io = machine->stats.io_started - machine->rate_io_previous;
    machine->rate_io_previous = machine->stats.io_started;

    SIM_PRINT("%s", prefix ? prefix : "");
    SIM_PRINT("[%s]: ", thread->name ? thread->name : "");
    if (machine->periodic_stats_flags & 0x2)
        SIM_PRINT("(%ld) ", (long)GenericMachine__InstructionCount(machine));
    SIM_PRINT("(PC:0x%016lX) : ", (unsigned long)thread->PC.value);

    // Rates over an interval of no time are printed as 0 rather than divided by zero.
    const double s = (double)elapsed_usec / 1000000.0;
    const uint64_t instructions = thread->Instruction_Number - thread->rate_prev_instructions;
    Print_Scaled_Value("Inst/Sec", s > 0 ? (double)instructions / s : 0.0);
    thread->rate_prev_instructions = thread->Instruction_Number;

    const uint64_t c = kernel_of(thread) ? Thread_Current_Cycle(thread) : 0;
    if (first_thread_of_first_processor(thread)) {
        SIM_PRINT(" : ");
        Print_Scaled_Value("Cycles/Sec", s > 0 ? (double)(c - thread->rate_prev_cycle) / s : 0.0);
    }
    thread->rate_prev_cycle = c;

    if (io > 0) SIM_PRINT(" : %d I/O", (int)io);

    tsim_s *tsim = kernel_of(thread);
    const uint64_t t = tsim ? tsim->now : ~uint64_t(0);
    if (t != thread->rate_prev_tick) {
        const uint64_t left = ~uint64_t(0) - t;
        const float hours =
            (float)(uint64_t)((s * (double)left) / (double)(t - thread->rate_prev_tick)) / 60 / 60;
        if (hours < 1000) SIM_PRINT(" : %4.1f hours to armageddon", hours);
    }
    thread->rate_prev_tick = t;

    SIM_PRINT(" %s [%s] pri=%d extra=%ld", thread->x_smt_enable ? "*ON* " : "-off-",
              thread->name ? thread->name : "", (int)thread->x_smt_priority, (long)thread->smt_delay_factor);
    SIM_PRINT("\n");
}

void update_concurrency_stats(ThreadState *thread)
{
    if (!thread) {
        if (par_serve_last_num_active_Ts == 0) {
            sim_warning(2, "update_concurrency_stats: No T found.\n");
            SIM_PRINT("update_concurrency_stats: No T found. Current active T count: %d\n",
                      (int)par_serve_last_num_active_Ts);
            return;
        }
        thread = first_active();
        if (!thread) {
            sim_error("update_concurrency_stats: Failed to find a T\n");
            sim_warning(2, "update_concurrency_stats: No T found.\n");
            SIM_PRINT("update_concurrency_stats: No T found. Current active T count: %d\n",
                      (int)par_serve_last_num_active_Ts);
            return;
        }
    }
    tsim_s *tsim = kernel_of(thread);
    const uint64_t now = tsim ? tsim->now : 0;
    if (now == 0 || now <= par_serve_last_tick) return;
    const uint64_t per_cycle = ticks_per_cycle(thread);
    const uint64_t cycle = (now + per_cycle - 1) / per_cycle;
    if (cycle <= par_serve_last_cycle) return;

    uint64_t sum = 0, max = 0;
    int32_t found = 0;
    for (int i = 0; i < MAX_ACTIVE && found < par_serve_last_num_active_Ts; i++) {
        ThreadState *active = par_server_active_Ts[i];
        if (!active) continue;
        found++;
        const uint64_t delta = active->Instruction_Number - active->concurrency_baseline;
        active->concurrency_baseline = active->Instruction_Number;
        sum += delta;
        max = std::max(max, delta);
    }
    if (found < par_serve_last_num_active_Ts) sim_error("Didn't find all the active Ts that exist!");
    const int32_t a = par_serve_last_num_active_Ts;
    par_serve_total_instructions += sum;
    par_serve_instrs_total_by_active_T[a] += sum;
    par_serve_instrs_single_by_active_T[a] += max;
    par_serve_total_single_thread_instructions += max;
    for (int r = 0; r < SERVER_RANGES; r++)
        par_server_scaling_dynamic[r] += max * (uint64_t)std::min(a, par_server_ranges[r]);
    par_serve_last_cycle = cycle;
    par_serve_last_tick = now;
}

void Print_Scalability_Report(ThreadState *thread, const char *tag)
{
    update_concurrency_stats(nullptr);
    Stat_print_head("Scalability Report");
    Stat_print_set_tag("%s", tag && *tag ? tag : "Scalability");
    Stat_print(0, "Total instructions: %ld, Single-threaded: %ld Active Ts: %d.",
               (long)par_serve_total_instructions, (long)par_serve_total_single_thread_instructions,
               (int)par_serve_last_num_active_Ts);
    uint64_t scaling_static[SERVER_RANGES] = {};
    for (int a = 0; a < MAX_ACTIVE; a++)
        for (int r = 0; r < SERVER_RANGES; r++)
            scaling_static[r] +=
                par_serve_instrs_single_by_active_T[a] * (uint64_t)std::min(a, par_server_ranges[r]);
    const double single = (double)par_serve_total_single_thread_instructions;
    float remaining = 100;
    for (int a = 0; a < MAX_ACTIVE; a++) {
        if (!par_serve_instrs_total_by_active_T[a] && !par_serve_instrs_single_by_active_T[a]) continue;
        const float p = single > 0 ? (float)(par_serve_instrs_single_by_active_T[a] * 100.0 / single) : 0.0f;
        Stat_print(0,
                   "Instructions with %3d active Threads. total: %ld, max-single-threaded: %ld, (%7.3f%%), "
                   "[%7.3f%%]",
                   a, (long)par_serve_instrs_total_by_active_T[a],
                   (long)par_serve_instrs_single_by_active_T[a], (double)p, (double)remaining);
        remaining -= p;
    }
    for (int r = 0; r < SERVER_RANGES; r++)
        Stat_print(0, "Servers: %3d:, Scaling. dynamic: %5.2f, static: %5.2f", par_server_ranges[r],
                   single > 0 ? (double)par_server_scaling_dynamic[r] / single : 0.0,
                   single > 0 ? (double)scaling_static[r] / single : 0.0);
    if (thread && Quarn_Start_Stamp) {
        const uint64_t elapsed = __rdtsc() - Quarn_Start_Stamp;
        tsim_s *tsim = kernel_of(thread);
        const uint64_t active = tsim ? get_tsim_running_time(tsim) : 0;
        Stat_print(0, "Quarn active time: %ld, tsim-active: %ld (%.3f%%)", (long)elapsed, (long)active,
                   elapsed ? 100.0 * (double)active / (double)elapsed : 0.0);
    }
    Stat_print_tail("Scalability Report");
}

void Concurrency_Stats_Thread_Callback(void *, ThreadState *thread, const char *prefix, uint64_t)
{
    if (thread && thread->machine && thread->machine->enable_scalability_analysis &&
        debug_on(DEBUG_SCALABILITY) && first_thread_of_first_processor(thread))
        Print_Scalability_Report(thread, prefix);
}

void Concurrency_Stats_Find_Thread_Callback(void *, GenericMachine *machine)
{
    if (!machine || !machine->enable_scalability_analysis) return;
    if (ThreadState *thread = first_active()) Print_Scalability_Report(thread, "");
}

void Concurrency_Stats_State_Callback(void *, ThreadState *thread, int32_t old_state, int32_t new_state)
{
    if (!thread || !thread->machine || !thread->machine->enable_scalability_analysis) return;
    update_concurrency_stats(thread);
    if (new_state == (int32_t)CPU_RUNNING) {
        if (old_state != (int32_t)CPU_NOT_BOOTED && old_state != (int32_t)CPU_STALLED) {
            sim_warning(2, "Unexpected old state %d for a running thread\n", (int)old_state);
            return;
        }
        if (!Quarn_Start_Stamp) Quarn_Start_Stamp = __rdtsc();
        thread->concurrency_baseline = thread->Instruction_Number;
        for (ThreadState *&slot : par_server_active_Ts) {
            if (slot) continue;
            slot = thread;
            par_serve_last_num_active_Ts++;
            return;
        }
        sim_error("Too many active Threads (%d), max is %d.\n", (int)par_serve_last_num_active_Ts + 1,
                  MAX_ACTIVE);
    } else if (new_state == (int32_t)CPU_STALLED) {
        if (old_state == (int32_t)CPU_NOT_BOOTED) return;
        if (old_state != (int32_t)CPU_RUNNING) {
            sim_warning(2, "Unexpected old state %d for a stalled thread\n", (int)old_state);
            return;
        }
        for (ThreadState *&slot : par_server_active_Ts) {
            if (slot != thread) continue;
            slot = nullptr;
            par_serve_last_num_active_Ts--;
            return;
        }
        sim_error("Could not find Thread %s on par_server_active_Ts list\n",
                  thread->name ? thread->name : "");
    } else {
        sim_warning(2, "Unrecognized new state: %d\n", (int)new_state);
    }
}

int32_t Concurrency_Active_Threads(void)
{
    return par_serve_last_num_active_Ts;
}

void Concurrency_Stats_Clear(void)
{
    std::fill(std::begin(par_server_active_Ts), std::end(par_server_active_Ts), nullptr);
    par_serve_last_num_active_Ts = 0;
    par_serve_last_tick = par_serve_last_cycle = 0;
    par_serve_total_instructions = par_serve_total_single_thread_instructions = 0;
    std::fill(std::begin(par_serve_instrs_total_by_active_T), std::end(par_serve_instrs_total_by_active_T),
              0);
    std::fill(std::begin(par_serve_instrs_single_by_active_T), std::end(par_serve_instrs_single_by_active_T),
              0);
    std::fill(std::begin(par_server_scaling_dynamic), std::end(par_server_scaling_dynamic), 0);
    first_rate_line = true;
}
