// Events and event sets. An event is a flag with a queue of waiters and a queue of queuers: a
// signal wakes every waiter and the first queuer, or sets the flag when nobody waits; a wait or
// queue that finds the flag set clears it and returns at once. An event set waits (or queues) on
// several events at once through two wait sets.
#pragma once

#include <cstdint>

#include "kernel/waitset.h"

struct event_s {
    // Waiter words for wait sets: waiting (the event itself as a member) ...
    counter_waiter_add_fn wait_add;
    counter_waiter_remove_fn wait_remove;
    void *wait_object;
    // ... and queueing (event_queue_waitable).
    counter_waiter_add_fn queue_add;
    counter_waiter_remove_fn queue_remove;
    void *queue_object;
    tsim_s *tsim;
    char *name;
    int32_t state;  // the flag
    jobq_s waiters; // "Event Waiters"
    jobq_s queuers; // "Event Queuers"
};

void event_init(event_s *event, tsim_s *tsim, const char *name);
event_s *event_new(tsim_s *tsim, const char *name);
void event_set_name(event_s *event, const char *name);
// Drops waiting and queued jobs without waking them.
void event_cleanup(event_s *event);
void event_free(event_s *event);

void event_signal(event_s *event);
// 1 when signalled (or the flag was set), 0 after the time-out.
int event_wait(event_s *event);
int event_wait_timeout(event_s *event, uint64_t timeout);
int event_wait_timeout_priority(event_s *event, uint64_t timeout, int priority);
int event_queue(event_s *event);
int event_queue_timeout(event_s *event, uint64_t timeout);
int event_queue_timeout_priority(event_s *event, uint64_t timeout, int priority);
// 1 and the flag cleared when it was set, else 0; never waits.
int event_try(event_s *event);
void event_clear(event_s *event);
int event_state(event_s *event);
int event_wait_cnt(event_s *event);
int event_queue_cnt(event_s *event);
// The member that queues on the event, for wait sets.
void *event_queue_waitable(event_s *event);

struct eventset_s {
    tsim_s *tsim;
    waitset_s waiters; // "ws for waiters on es <name>"
    waitset_s queuers; // "ws for queuers on es <name>"
};

void eventset_init(eventset_s *set, tsim_s *tsim, const char *name);
eventset_s *eventset_new(tsim_s *tsim, const char *name);
// 1 when the event was added to both wait sets.
int eventset_add(eventset_s *set, event_s *event, uint64_t value);
void eventset_clear(eventset_s *set);
// The value of the event that ended the wait (WAIT_TIMED_OUT after the time-out).
uint64_t eventset_wait(eventset_s *set);
uint64_t eventset_wait_timeout(eventset_s *set, uint64_t timeout);
uint64_t eventset_wait_timeout_priority(eventset_s *set, uint64_t timeout, int priority);
uint64_t eventset_queue(eventset_s *set);
uint64_t eventset_queue_timeout(eventset_s *set, uint64_t timeout);
uint64_t eventset_queue_timeout_priority(eventset_s *set, uint64_t timeout, int priority);
void eventset_cleanup(eventset_s *set);
void eventset_free(eventset_s *set);
