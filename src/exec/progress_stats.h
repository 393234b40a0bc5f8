// Progress output of the hardware threads: the heartbeat line, the periodic statistics loop with
// its sample, the periodic rate line and the scalability analysis with its report. The loop
// callbacks are declared in thread_loops.h, the statistics callbacks in
// processor/hooks/periodic_stats_standin.h.
#pragma once

#include <cstdint>

struct ThreadState;

// Wall-clock seconds as the heartbeat shows them: "%dd " "%dh " "%dm " (each only when non-zero)
// and "%ds"; the buffer holds at least 64 bytes.
char *Heartbeat_Elapsed_Text(char *buffer, int64_t seconds);

// The thread's periodic sample: after at least Default_PERIODIC_STATS_interval microseconds since
// the last one, calls every "periodic_stats_print" callback with the print header.
void Thread_Periodic_Stats_Sample(ThreadState *thread);

// Brings the scalability sums up to the current time (thread: whose kernel; null: the first
// active thread).
void update_concurrency_stats(ThreadState *thread);
// Prints the "Scalability Report" (an empty tag gives "Scalability").
void Print_Scalability_Report(ThreadState *thread, const char *tag);
// The number of running threads the analysis knows.
int32_t Concurrency_Active_Threads(void);
// Forgets every running thread and every sum (for tests; the simulator never resets them).
void Concurrency_Stats_Clear(void);

// The host time-stamp counter when the first thread started running (0 before).
extern uint64_t Quarn_Start_Stamp;
