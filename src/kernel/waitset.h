// Wait sets: a job waits on several objects at once. Each member is asked to take the job as a
// waiter with the value registered for it; the first member that wakes the job withdraws the
// others, and the wait returns that member's value. A member that needs no wait (a counter at
// zero or below, a set event, a mailbox holding a message) ends the wait at once.
//
// A member is any record that begins with the three words {waiter-add function, waiter-remove
// function, object}: counter_s, counter64_s, event_s (waiting; event_queue_waitable for
// queueing) and mailbox_s.
#pragma once

#include <cstdint>

#include "kernel/storage.h"
#include "kernel/tsim.h"

// Wait results that are not member values.
constexpr uint64_t WAIT_TIMED_OUT = ~uint64_t(0);
constexpr uint64_t WAIT_CLEARED = ~uint64_t(0) - 1; // the set was cleared, or no job can wait

struct waitable_s {
    counter_waiter_add_fn add;
    counter_waiter_remove_fn remove;
    void *object;
};

struct waitset_member_s {
    waitable_s *waitable;
    uint64_t value;
};

struct waitset_s {
    tsim_s *tsim;
    char *name;
    int32_t count;
    buffer_s members; // waitset_member_s
    jobq_s waiters;   // "Wait Set Waiters": one entry per waiting job, woken by a clear
};

void waitset_init(waitset_s *set, tsim_s *tsim, const char *name);
waitset_s *waitset_new(tsim_s *tsim, const char *name);
// Adds a member (a record beginning with the three waiter words); 0 when it cannot be stored.
int waitset_add(waitset_s *set, void *waitable, uint64_t value);
// Removes every member; jobs waiting now return WAIT_CLEARED.
void waitset_clear(waitset_s *set);
// The value of the member that woke the job (WAIT_TIMED_OUT after the time-out).
uint64_t waitset_wait(waitset_s *set);
uint64_t waitset_wait_timeout(waitset_s *set, uint64_t timeout);
uint64_t waitset_wait_timeout_priority(waitset_s *set, uint64_t timeout, int priority);
// Jobs waiting on the set now.
int waitset_wait_count(waitset_s *set);
// Clears the set and releases its member array.
void waitset_cleanup(waitset_s *set);
void waitset_free(waitset_s *set);

// Queues the running job's wait entry at a priority (re-placing an entry that went in at another
// one); the entry, or null. Shared by the kernel objects with priority waits.
proxy_s *job_waitq_add_priority(job_s *job, jobq_s *queue, uint64_t value, int priority);
// Blocks the running job in a queue with a time-out: the wait entry carries woken_value, the
// time-out entry timeout_value; returns the wake value. Without a job, timeout_value.
uint64_t current_block_timeout(jobq_s *queue, uint64_t woken_value, uint64_t timeout, int priority,
                               uint64_t timeout_value);
// The running proxy's priority, 1 outside a job.
int current_priority(void);
// Unlinks every entry of a queue without waking its jobs.
void jobq_drop_all(jobq_s *queue);
// Wakes every entry of a queue in order.
void jobq_wake_all(jobq_s *queue);
