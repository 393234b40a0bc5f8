// Arbiters and periodic loops.
#include "kernel/arbiter.h"

#include <cstring>

#include "kernel/counter.h"
#include "kernel/delay.h"
#include "kernel/job.h"

// ---------------------------------------------------------------------------------------------
// Arbiters

namespace
{

void arbitrate(void *argument)
{
    auto *arbiter = static_cast<arbiter_s *>(argument);
    for (;;) {
        while (arbiter->count == 0)
            current_block(&arbiter->queue, 0);
        arbiter->fn(arbiter, arbiter->user_data);
    }
}

inline bool in_range(arbiter_s *arbiter, int index)
{
    return index >= 0 && index < arbiter->slots;
}

} // namespace

int arbiter_init(arbiter_s *arbiter, tsim_s *tsim, arbiter_fn fn, size_t item_size, int slots,
                 void *user_data)
{
    memset(arbiter, 0, sizeof(*arbiter));
    arbiter->tsim = tsim;
    arbiter->fn = fn;
    arbiter->slots = slots < 0 ? 0 : slots;
    arbiter->user_data = user_data;
    jobq_init(&arbiter->queue, "arbiter-queue", 0);
    size_t count = (size_t)arbiter->slots;
    if (item_size && count > SIZE_MAX / item_size) {
        tsim_error("can't allocate arbiter");
        return 0;
    }
    arbiter->slot = static_cast<arbiter_slot_s *>(TSIM_GET(tsim, count * sizeof(arbiter_slot_s)));
    arbiter->items = TSIM_GET(tsim, count * item_size);
    if (!arbiter->slot || !arbiter->items) {
        arbiter_cleanup(arbiter);
        return 0;
    }
    memset(arbiter->items, 0, count * item_size);
    for (size_t i = 0; i < count; i++) {
        arbiter->slot[i].occupied = 0;
        arbiter->slot[i].item = static_cast<char *>(arbiter->items) + i * item_size;
    }
    arbiter->job = job_new(tsim, "arbiter", arbitrate, arbiter);
    if (!arbiter->job) {
        arbiter_cleanup(arbiter);
        return 0;
    }
    return 1;
}

arbiter_s *arbiter_new(tsim_s *tsim, arbiter_fn fn, size_t item_size, int slots, void *user_data)
{
    auto *arbiter = static_cast<arbiter_s *>(TSIM_GET(tsim, sizeof(arbiter_s)));
    if (!arbiter) {
        tsim_error("can't allocate arbiter");
        return nullptr;
    }
    if (!arbiter_init(arbiter, tsim, fn, item_size, slots, user_data)) {
        tsim_put(tsim, arbiter);
        return nullptr;
    }
    return arbiter;
}

void arbiter_cleanup(arbiter_s *arbiter)
{
    if (arbiter->job) job_free(arbiter->job);
    arbiter->job = nullptr;
    tsim_put(arbiter->tsim, arbiter->items);
    tsim_put(arbiter->tsim, arbiter->slot);
    arbiter->items = nullptr;
    arbiter->slot = nullptr;
    arbiter->slots = 0;
    arbiter->count = 0;
}

void arbiter_free(arbiter_s *arbiter)
{
    if (!arbiter) return;
    arbiter_cleanup(arbiter);
    tsim_put(arbiter->tsim, arbiter);
}

void *arbiter_send(arbiter_s *arbiter, int index)
{
    if (!in_range(arbiter, index)) {
        tsim_error(" %s ", "arbiter_send: index out of bound");
        return nullptr;
    }
    arbiter_slot_s *slot = &arbiter->slot[index];
    if (slot->occupied) {
        tsim_error(" %s ", "arbiter_send: destination busy");
        return nullptr;
    }
    arbiter->count++;
    slot->occupied = 1;
    job_s *job = arbiter->job;
    if (job && job->proxy.state != PROXY_READY && job->proxy.state != PROXY_TERMINATED) {
        job->proxy.tick = arbiter->tsim->now;
        proxy_unlink(&job->proxy);
        tsim_schedule(&job->proxy);
    }
    return slot->item;
}

void *arbiter_index(arbiter_s *arbiter, int index)
{
    if (!in_range(arbiter, index)) {
        tsim_error("%s", "arbiter_index: index out of bound");
        return nullptr;
    }
    arbiter_slot_s *slot = &arbiter->slot[index];
    return slot->occupied ? slot->item : nullptr;
}

void arbiter_delete(arbiter_s *arbiter, int index)
{
    if (!in_range(arbiter, index)) {
        tsim_error("%s", "arbiter_delete: index out of bound");
        return;
    }
    arbiter_slot_s *slot = &arbiter->slot[index];
    if (!slot->occupied) return; // already free: the count must not drift
    slot->occupied = 0;
    arbiter->count--;
}

int arbiter_count(arbiter_s *arbiter)
{
    return arbiter->count;
}

// ---------------------------------------------------------------------------------------------
// Loops

namespace
{

void loop_body(void *argument)
{
    auto *loop = static_cast<loop_s *>(argument);
    tsim_s *tsim = loop->job.tsim;
    for (;;) {
        bool timed_out = false;
        if (loop->period == 0) {
            counter_sync(&loop->release);
        } else if (loop->next_tick >= tsim->now) {
            uint64_t wait = loop->next_tick - tsim->now;
            loop->next_tick += loop->period;
            timed_out = counter_wait(&loop->release, wait) == 0;
        } else {
            // Fell behind: skip to the next whole period still ahead.
            uint64_t behind = tsim->now - loop->next_tick;
            uint64_t k = behind / loop->period + (behind % loop->period != 0);
            if (k == 0) k = 1;
            loop->next_tick = tsim->now + (k + 1) * loop->period;
            timed_out = counter_wait(&loop->release, k * loop->period) == 0;
        }
        if (timed_out) loop->fn(loop, loop->argument);
        loop->release.value = 1;
    }
}

} // namespace

int loop_init(loop_s *loop, tsim_s *tsim, uint64_t period, loop_fn fn, void *argument)
{
    memset(loop, 0, sizeof(*loop));
    if (!job_init_exec(&loop->job, tsim, "loop job", nullptr, loop_body, loop)) {
        tsim_error("can't initialize loop structure");
        return 0;
    }
    loop->fn = fn;
    loop->argument = argument;
    loop->period = period;
    loop->next_tick = tsim->now + period;
    counter_init(&loop->release, tsim, "loop");
    counter_set(&loop->release, 1);
    return 1;
}

loop_s *loop_new(tsim_s *tsim, uint64_t period, loop_fn fn, void *argument)
{
    auto *loop = static_cast<loop_s *>(TSIM_GET(tsim, sizeof(loop_s)));
    if (!loop) {
        tsim_error("can't allocate loop");
        return nullptr;
    }
    if (!loop_init(loop, tsim, period, fn, argument)) {
        tsim_error("can't initialize loop");
        tsim_put(tsim, loop);
        return nullptr;
    }
    return loop;
}

void loop_set(loop_s *loop, uint64_t period)
{
    loop->period = period;
    loop->next_tick = loop->job.tsim->now + period;
    counter_set(&loop->release, 0);
}

void loop_cleanup(loop_s *loop)
{
    job_cleanup(&loop->job);
    counter_force_cleanup(&loop->release);
}

void loop_free(loop_s *loop)
{
    if (!loop) return;
    tsim_s *tsim = loop->job.tsim;
    loop_cleanup(loop);
    tsim_put(tsim, loop);
}
