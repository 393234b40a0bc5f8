// The block the host threads of the parallel mode share (pturbo_data): every host thread's new,
// pending and finished task lists, the time-sync queue, the dispatch generation and the workers'
// counts, the park mutex and flags, the active-task table; with the operations on it that need no
// running engine: the active-task table, the release statistics of a dispatch and the cycle check
// of a run-to tick.
#pragma once

#include <pthread.h>

#include <cstdint>

#include "translator/ptask_queue.h"
#include "translator/pturbo_locks.h"

constexpr int MAX_PTASKS = 256;
constexpr int PTURBO_MAX_WORKERS = PTURBO_MAX_HOST_THREADS - 1;

struct pturbo_data_s {
    ptask_queue_s new_list[PTURBO_MAX_HOST_THREADS];
    ptask_queue_s overflow_list;
    ptask_queue_s pending_list[PTURBO_MAX_HOST_THREADS];
    ptask_queue_s finished_list[PTURBO_MAX_HOST_THREADS];
    ptask_queue_s time_sync_queue;
    alignas(128) volatile uint64_t generation;
    pthread_mutex_t park_mutex;
    volatile int32_t started, parked, initialised, exit_requested;
    pthread_t workers[PTURBO_MAX_WORKERS];
    alignas(128) volatile int32_t workers_started;
    alignas(128) volatile int32_t workers_done;
    uint64_t saved_turbo_minimum;
    uint64_t ticks_per_cycle; // of the processors' time domain
    int32_t active_count;
    int32_t stop_requests;
    int32_t stop_all;
    ptask_s *active[MAX_PTASKS];
    uint64_t dispatch_start_tick;
    int32_t quiesce;
    uint64_t tsc_start, tsc_end;
};

extern "C" {
extern pturbo_data_s pturbo_data;
}

// Once per process: the lists, the park mutex, the generation and the active-task table.
void pturbo_data_init_once(void);
// Puts the task into the first empty entry of the active-task table; with all taken it reports
// "Number of simultaneously active ptasks exceeds MAX_PTASKS (%d)" and returns -1.
int32_t pturbo_add_active_ptask(ptask_s *task);
// Clears the task's entry; a task not in the table is reported.
void remove_active_ptask(ptask_s *task);
// After a dispatch: takes and zeroes the instructions of every active task's latest service and
// adds them to the dispatch statistics.
void update_pturbo_release_stats(void);
// Reports a tick that is not a whole number of cycles (0 is).
void check_tick_is_on_cycle(uint64_t ticks);
