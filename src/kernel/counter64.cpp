// The 64-bit counter.
#include "kernel/counter64.h"

#include "kernel/delay.h"
#include "kernel/waitset.h"

namespace
{

proxy_s *waiter_add(void *object, job_s *job, uint64_t value)
{
    auto *counter = static_cast<counter64_s *>(object);
    if (counter->value <= 0) return &waiter_ready_proxy;
    return job_waitq_add(job, &counter->queue, PROXY_BLOCKED, value);
}

void waiter_remove(void *, proxy_s *proxy)
{
    proxy_unlink(proxy);
}

} // namespace

void counter64_init(counter64_s *counter, tsim_s *tsim, const char *name)
{
    counter->waiter_add = waiter_add;
    counter->waiter_remove = waiter_remove;
    counter->object = counter;
    counter->tsim = tsim;
    counter->value = 0;
    counter->name = name ? tsim_keep_string(tsim, name) : nullptr;
    jobq_init(&counter->queue, "counter64 queue", 0);
}

counter64_s *counter64_new(tsim_s *tsim, const char *name)
{
    auto *counter = static_cast<counter64_s *>(TSIM_GET(tsim, sizeof(counter64_s)));
    if (!counter) {
        tsim_error("can't allocate counter64");
        return nullptr;
    }
    counter64_init(counter, tsim, name);
    return counter;
}

void counter64_cleanup(counter64_s *counter)
{
    if (counter->queue.first) tsim_error("counter64 has waiting jobs");
    jobq_drop_all(&counter->queue);
    if (counter->name) tsim_free_string(counter->tsim, counter->name);
    counter->name = nullptr;
}

void counter64_free(counter64_s *counter)
{
    if (!counter) return;
    counter64_cleanup(counter);
    tsim_put(counter->tsim, counter);
}

int64_t counter64_get(counter64_s *counter)
{
    return counter->value;
}

int64_t counter64_up(counter64_s *counter)
{
    return ++counter->value;
}

int64_t counter64_down(counter64_s *counter)
{
    int64_t value = --counter->value;
    if (value <= 0) jobq_wake_all(&counter->queue);
    return value;
}

int64_t counter64_add(counter64_s *counter, int64_t n)
{
    int64_t value = (int64_t)((uint64_t)counter->value + (uint64_t)n);
    counter->value = value;
    if (n < 0 && value <= 0) jobq_wake_all(&counter->queue);
    return value;
}

void counter64_set(counter64_s *counter, int64_t value)
{
    counter->value = value;
    if (value <= 0) jobq_wake_all(&counter->queue);
}

void counter64_sync(counter64_s *counter)
{
    if (counter->value > 0 && tsim_active_job) current_block(&counter->queue, 0);
}

int counter64_wait_priority(counter64_s *counter, uint64_t timeout, int priority)
{
    if (counter->value <= 0) return 1;
    return (int)current_block_timeout(&counter->queue, 1, timeout, priority, 0);
}

int counter64_wait(counter64_s *counter, uint64_t timeout)
{
    return counter64_wait_priority(counter, timeout, current_priority());
}
