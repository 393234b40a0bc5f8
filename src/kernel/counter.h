// Counters (jobs wait until the value is zero or below) and tag counters (credit pools whose
// credits come back at future ticks).
#pragma once

#include <cstdint>

#include "kernel/tsim.h"

void counter_init(counter_s *counter, tsim_s *tsim, const char *name);
counter_s *counter_new(tsim_s *tsim, const char *name);
void counter_cleanup(counter_s *counter);
void counter_force_cleanup(counter_s *counter);
void counter_free(counter_s *counter);
void counter_force_free(counter_s *counter);

int counter_get(counter_s *counter);
int counter_up(counter_s *counter);
int counter_down(counter_s *counter);
int counter_down_to(counter_s *counter, uint64_t tick);
int counter_add(counter_s *counter, int n);
void counter_set(counter_s *counter, int value);
void counter_reset_to(counter_s *counter, uint64_t tick);
void counter_reset_delay(counter_s *counter, uint64_t delay);
void counter_sync(counter_s *counter);
void counter_stop(counter_s *counter);
int counter_wait(counter_s *counter, uint64_t timeout);
int counter_wait_priority(counter_s *counter, uint64_t timeout, int priority);

struct tagcount_release_s {
    tagcount_release_s *next;
    uint64_t tick;
    uint32_t count;
};

struct tagcount_s {
    tsim_s *tsim;
    char *name;
    int32_t capacity;
    uint32_t credits;
    jobq_s queue; // "tagcount queue"
    job_s *waiter;
    tagcount_release_s *first;
    tagcount_release_s *last;
    tagcount_release_s *free_records;
};

void tagcount_init(tagcount_s *tagcount, tsim_s *tsim, const char *name, int credits);
tagcount_s *tagcount_new(tsim_s *tsim, const char *name, int credits);
void tagcount_cleanup(tagcount_s *tagcount);
void tagcount_free(tagcount_s *tagcount);

uint32_t tagcount_try(tagcount_s *tagcount, uint32_t n);
void tagcount_alloc(tagcount_s *tagcount, uint32_t n);
void tagcount_sync(tagcount_s *tagcount, uint32_t n);
void tagcount_release_immd(tagcount_s *tagcount, uint32_t n);
void tagcount_release(tagcount_s *tagcount, uint32_t n, uint64_t delay);
void tagcount_release_at(tagcount_s *tagcount, uint32_t n, uint64_t tick);
uint32_t tagcount_peek(tagcount_s *tagcount);
int tagcount_is_empty(tagcount_s *tagcount);
int tagcount_is_full(tagcount_s *tagcount);
int tagcount_used(tagcount_s *tagcount);
uint64_t tagcount_peek_next_available_tick(tagcount_s *tagcount);
void tagcount_schedule_waiter(tagcount_s *tagcount, job_s *job);
