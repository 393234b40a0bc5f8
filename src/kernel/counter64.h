// The 64-bit counter: the counter of kernel/counter.h with a 64-bit value. Jobs wait until the
// value is zero or below; it can be a member of a wait set.
#pragma once

#include <cstdint>

#include "kernel/tsim.h"

struct counter64_s {
    counter_waiter_add_fn waiter_add;
    counter_waiter_remove_fn waiter_remove;
    void *object;
    tsim_s *tsim;
    int64_t value;
    char *name;
    jobq_s queue; // "counter64 queue"
};

void counter64_init(counter64_s *counter, tsim_s *tsim, const char *name);
counter64_s *counter64_new(tsim_s *tsim, const char *name);
// Reports "counter64 has waiting jobs" and drops them (they are never woken).
void counter64_cleanup(counter64_s *counter);
void counter64_free(counter64_s *counter);

int64_t counter64_get(counter64_s *counter);
// The new value; never wakes.
int64_t counter64_up(counter64_s *counter);
// The new value; every waiter wakes when it is zero or below.
int64_t counter64_down(counter64_s *counter);
// Wakes every waiter only when n is negative and the new value is zero or below.
int64_t counter64_add(counter64_s *counter, int64_t n);
// Wakes every waiter when the value is zero or below.
void counter64_set(counter64_s *counter, int64_t value);
// Waits while the value is above zero.
void counter64_sync(counter64_s *counter);
// 1 when the value is (or becomes) zero or below, 0 after the time-out.
int counter64_wait(counter64_s *counter, uint64_t timeout);
int counter64_wait_priority(counter64_s *counter, uint64_t timeout, int priority);
