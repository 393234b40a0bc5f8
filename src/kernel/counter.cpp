// Counters and tag counters.
#include "kernel/counter.h"

#include <cstring>
#include <initializer_list>

#include "kernel/delay.h"
#include "kernel/job.h"

// ---------------------------------------------------------------------------------------------
// Counters

namespace {

proxy_s *counter_waiter_add(void *object, job_s *job, uint64_t value)
{
    auto *counter = static_cast<counter_s *>(object);
    if (counter->value <= 0) return &waiter_ready_proxy;
    return job_waitq_add(job, &counter->queue, PROXY_BLOCKED, value);
}

void counter_waiter_remove(void *, proxy_s *proxy) { proxy_unlink(proxy); }

// Wakes every waiter in queue order; with has_tick, at that tick.
inline void wake_all(counter_s *counter, bool has_tick = false, uint64_t tick = 0)
{
    while (proxy_s *proxy = jobq_pop(&counter->queue)) {
        if (has_tick) proxy->tick = tick;
        tsim_schedule(proxy);
    }
}

// Timed wait: wait entry with wake value 1, time-out entry with wake value 0. A time-out beyond
// the end of the tick range never comes: the job then waits for the counter alone (a wake-up
// queued at the last tick would run again at once there, and a waiter that re-arms would spin).
int timed_wait(counter_s *counter, uint64_t timeout, int priority)
{
    job_s *job = tsim_active_job;
    if (!job) return 0;
    tsim_s *tsim = job->tsim;
    uint64_t tick = tsim->now + timeout;
    job_waitq_add(job, &counter->queue, PROXY_BLOCKED, 1);
    if (tick >= tsim->now) job_readyq_add_timeout(job, tick, priority, 0);
    tsim_dispatch(tsim);
    return (int)job->proxy.wake_value;
}

} // namespace

void counter_init(counter_s *counter, tsim_s *tsim, const char *name)
{
    counter->waiter_add = counter_waiter_add;
    counter->waiter_remove = counter_waiter_remove;
    counter->object = counter;
    counter->tsim = tsim;
    counter->value = 0;
    counter->name = name ? tsim_keep_string(tsim, name) : nullptr;
    jobq_init(&counter->queue, "counter queue", 0);
}

counter_s *counter_new(tsim_s *tsim, const char *name)
{
    auto *counter = static_cast<counter_s *>(TD_get_internal(tsim, sizeof(counter_s), __FILE__, __LINE__));
    if (!counter) {
        tsim_error("can't allocate counter");
        return nullptr;
    }
    counter_init(counter, tsim, name);
    return counter;
}

void counter_cleanup(counter_s *counter)
{
    if (counter->queue.first) tsim_error("counter has waiting jobs");
    if (counter->name) tsim_free_string(counter->tsim, counter->name);
    counter->name = nullptr;
}

void counter_force_cleanup(counter_s *counter)
{
    while (proxy_s *proxy = jobq_pop(&counter->queue)) {
        proxy->state = PROXY_UNQUEUED;
        proxy->in_use = 0;
    }
    counter_cleanup(counter);
}

void counter_free(counter_s *counter)
{
    if (!counter) return;
    counter_cleanup(counter);
    tsim_put(counter->tsim, counter);
}

void counter_force_free(counter_s *counter)
{
    if (!counter) return;
    counter_force_cleanup(counter);
    tsim_put(counter->tsim, counter);
}

int counter_get(counter_s *counter) { return counter->value; }

int counter_up(counter_s *counter) { return ++counter->value; }

int counter_down(counter_s *counter)
{
    int value = --counter->value;
    if (value <= 0) wake_all(counter);
    return value;
}

int counter_down_to(counter_s *counter, uint64_t tick)
{
    int value = --counter->value;
    if (value <= 0) wake_all(counter, true, tick);
    return value;
}

int counter_add(counter_s *counter, int n)
{
    int value = (int)((uint32_t)counter->value + (uint32_t)n); // 32-bit arithmetic
    counter->value = value;
    if (n < 0 && value <= 0) wake_all(counter);
    return value;
}

void counter_set(counter_s *counter, int value)
{
    counter->value = value;
    if (value <= 0) wake_all(counter);
}

void counter_reset_to(counter_s *counter, uint64_t tick)
{
    counter->value = 0;
    wake_all(counter, true, tick);
}

void counter_reset_delay(counter_s *counter, uint64_t delay)
{
    counter->value = 0;
    uint64_t now = counter->tsim->now;
    uint64_t tick = now + delay;
    wake_all(counter, true, tick < now ? ~uint64_t(0) : tick);
}

void counter_sync(counter_s *counter)
{
    if (counter->value > 0 && tsim_active_job) current_block(&counter->queue, 0);
}

void counter_stop(counter_s *counter)
{
    counter->value = 1;
    if (tsim_active_job) current_block(&counter->queue, 0);
}

int counter_wait_priority(counter_s *counter, uint64_t timeout, int priority)
{
    if (counter->value <= 0) return 1;
    return timed_wait(counter, timeout, priority);
}

int counter_wait(counter_s *counter, uint64_t timeout)
{
    if (counter->value <= 0) return 1;
    return timed_wait(counter, timeout, tsim_active_proxy ? tsim_active_proxy->priority : 1);
}

// ---------------------------------------------------------------------------------------------
// Tag counters

namespace {

// Moves the credits of every release due at or before now into the available credits.
inline void credit_due(tagcount_s *tc)
{
    uint64_t now = tc->tsim->now;
    while (tagcount_release_s *release = tc->first) {
        if (release->tick > now) break;
        tc->credits += release->count;
        tc->first = release->next;
        if (!tc->first) tc->last = nullptr;
        release->next = tc->free_records;
        tc->free_records = release;
    }
}

tagcount_release_s *new_release(tagcount_s *tc, uint64_t tick, uint32_t n)
{
    tagcount_release_s *release = tc->free_records;
    if (release) {
        tc->free_records = release->next;
    } else {
        release = static_cast<tagcount_release_s *>(
            TD_get_internal(tc->tsim, sizeof(tagcount_release_s), __FILE__, __LINE__));
        if (!release) return nullptr;
    }
    release->next = nullptr;
    release->tick = tick;
    release->count = n;
    return release;
}

inline void wake_waiter(tagcount_s *tc, uint64_t tick)
{
    if (tc->waiter && tc->waiter != tsim_active_job) job_schedule_to(tc->waiter, tick);
}

void add_pending(tagcount_s *tc, uint32_t n, uint64_t tick)
{
    if (!tc->first) {
        tagcount_release_s *release = new_release(tc, tick, n);
        if (!release) return;
        tc->first = tc->last = release;
        wake_waiter(tc, tick);
        return;
    }
    if (tick > tc->last->tick) {
        tagcount_release_s *release = new_release(tc, tick, n);
        if (!release) return;
        tc->last->next = release;
        tc->last = release;
        return;
    }
    if (tick < tc->first->tick) {
        tagcount_release_s *release = new_release(tc, tick, n);
        if (!release) return;
        release->next = tc->first;
        tc->first = release;
        wake_waiter(tc, tick);
        return;
    }
    tagcount_release_s *previous = nullptr;
    for (tagcount_release_s *at = tc->first; at; previous = at, at = at->next) {
        if (at->tick == tick) {
            at->count += n;
            return;
        }
        if (at->tick > tick) {
            tagcount_release_s *release = new_release(tc, tick, n);
            if (!release) return;
            release->next = at;
            previous->next = release; // at is not the first record here
            return;
        }
    }
}

// Waits until n credits are available and takes them, one waiter at a time.
void wait_for_credits(tagcount_s *tc, uint32_t n)
{
    job_s *job = tsim_active_job;
    if (!job) return;
    while (tc->waiter && tc->waiter != job) current_block(&tc->queue, 0);
    tc->waiter = job;
    if (n > 0) {
        for (;;) {
            credit_due(tc);
            if (tc->credits >= n) {
                tc->credits -= n;
                break;
            }
            if (tc->first)
                current_delay_to_tick(tc->first->tick);
            else
                counter_stop(&job->counter);
        }
    }
    tc->waiter = nullptr;
    if (proxy_s *next = jobq_pop(&tc->queue)) {
        next->tick = tc->first ? tc->first->tick : tc->tsim->now;
        tsim_schedule(next);
    }
}

} // namespace

void tagcount_init(tagcount_s *tc, tsim_s *tsim, const char *name, int credits)
{
    tc->tsim = tsim;
    tc->name = name ? tsim_keep_string(tsim, name) : nullptr;
    tc->capacity = credits;
    tc->credits = (uint32_t)credits;
    jobq_init(&tc->queue, "tagcount queue", 0);
    tc->waiter = nullptr;
    tc->first = tc->last = nullptr;
    tc->free_records = nullptr;
}

tagcount_s *tagcount_new(tsim_s *tsim, const char *name, int credits)
{
    auto *tc = static_cast<tagcount_s *>(TD_get_internal(tsim, sizeof(tagcount_s), __FILE__, __LINE__));
    if (!tc) {
        tsim_error("can't allocate tagcount");
        return nullptr;
    }
    tagcount_init(tc, tsim, name, credits);
    return tc;
}

void tagcount_cleanup(tagcount_s *tc)
{
    if (tc->name) tsim_free_string(tc->tsim, tc->name);
    tc->name = nullptr;
    for (tagcount_release_s *list : {tc->first, tc->free_records}) {
        while (list) {
            tagcount_release_s *next = list->next;
            tsim_put(tc->tsim, list);
            list = next;
        }
    }
    tc->first = tc->last = tc->free_records = nullptr;
}

void tagcount_free(tagcount_s *tc)
{
    if (!tc) return;
    tagcount_cleanup(tc);
    tsim_put(tc->tsim, tc);
}

uint32_t tagcount_try(tagcount_s *tc, uint32_t n)
{
    credit_due(tc);
    if (tc->waiter || tc->credits < n) return 0;
    tc->credits -= n;
    return n;
}

void tagcount_alloc(tagcount_s *tc, uint32_t n)
{
    credit_due(tc);
    if (!tc->waiter && tc->credits >= n) {
        tc->credits -= n;
        return;
    }
    wait_for_credits(tc, n);
}

void tagcount_sync(tagcount_s *tc, uint32_t n)
{
    credit_due(tc);
    if (!tc->waiter && tc->credits >= n) return;
    wait_for_credits(tc, n);
    tc->credits += n;
}

void tagcount_release_immd(tagcount_s *tc, uint32_t n)
{
    credit_due(tc);
    tc->credits += n;
    wake_waiter(tc, tc->tsim->now);
}

void tagcount_release(tagcount_s *tc, uint32_t n, uint64_t delay)
{
    if (delay == 0) {
        tagcount_release_immd(tc, n);
        return;
    }
    credit_due(tc);
    uint64_t now = tc->tsim->now;
    uint64_t tick = now + delay;
    add_pending(tc, n, tick < now ? ~uint64_t(0) : tick);
}

void tagcount_release_at(tagcount_s *tc, uint32_t n, uint64_t tick)
{
    credit_due(tc);
    if (tick > tc->tsim->now) {
        add_pending(tc, n, tick);
        return;
    }
    tc->credits += n;
    wake_waiter(tc, tc->tsim->now);
}

uint32_t tagcount_peek(tagcount_s *tc)
{
    credit_due(tc);
    return tc->credits;
}

int tagcount_is_empty(tagcount_s *tc)
{
    credit_due(tc);
    return tc->credits == 0;
}

int tagcount_is_full(tagcount_s *tc)
{
    credit_due(tc);
    return tc->capacity >= 0 && tc->credits >= (uint32_t)tc->capacity;
}

int tagcount_used(tagcount_s *tc)
{
    int64_t pending = 0;
    for (tagcount_release_s *release = tc->first; release; release = release->next) pending += release->count;
    return (int)((int64_t)tc->capacity - (int64_t)tc->credits - pending);
}

uint64_t tagcount_peek_next_available_tick(tagcount_s *tc) { return tc->first ? tc->first->tick : 0; }

void tagcount_schedule_waiter(tagcount_s *tc, job_s *job)
{
    if (!job || job == tsim_active_job) return;
    if (tc->credits > 0)
        job_schedule_to(job, tc->tsim->now);
    else if (tc->first)
        job_schedule_to(job, tc->first->tick);
}
