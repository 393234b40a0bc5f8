// Barriers, fences and mutex placeholders. A barrier counts signals down and its last signal
// releases every waiter; a fence is a generation number whose advance wakes the jobs waiting at
// the generation it leaves; a mutex locks nothing (jobs of one kernel never run at once).
#pragma once

#include <cstdint>

#include "kernel/tsim.h"

struct barrier_s {
    tsim_s *tsim;
    int32_t count; // signals still expected
    jobq_s queue;  // "bar queue"
};

void barrier_init(barrier_s *barrier, tsim_s *tsim, int count);
barrier_s *barrier_new(tsim_s *tsim, int count);
// Drops the waiting jobs without waking them.
void barrier_cleanup(barrier_s *barrier);
void barrier_free(barrier_s *barrier);
// Counts down; the last signal releases every waiter. 1 when this signal released the barrier.
int barrier_signal(barrier_s *barrier);
// Releases every waiter at once.
void barrier_drop(barrier_s *barrier);
// Signals, then waits for the release unless this signal was the last.
void barrier_wait(barrier_s *barrier);

struct fence_s {
    tsim_s *tsim;
    char *name;
    uint64_t generation;
    jobq_s queue; // "fence queue"
};

void fence_init(fence_s *fence, tsim_s *tsim, const char *name);
fence_s *fence_new(tsim_s *tsim, const char *name);
// Reports "fence has waiting jobs" and drops them.
void fence_cleanup(fence_s *fence);
void fence_free(fence_s *fence);
uint64_t fence_get(fence_s *fence);
// Waits for the next advance when the fence is at the generation; else returns at once.
void fence_wait(fence_s *fence, uint64_t generation);
// The next generation; wakes every waiter.
void fence_advance(fence_s *fence);

struct mutex_s {
    tsim_s *tsim;
    jobq_s queue; // "mutex queue"
};

void mutex_init(mutex_s *mutex, tsim_s *tsim);
mutex_s *mutex_new(tsim_s *tsim);
void mutex_cleanup(mutex_s *mutex);
void mutex_free(mutex_s *mutex);
// Do nothing.
void mutex_lock(mutex_s *mutex);
void mutex_unlock(mutex_s *mutex);
