// Delays, yields and blocking of the running job; wait entries.
#include "kernel/delay.h"

#include "kernel/fault.h"
#include "kernel/job.h"

namespace {

// True when no ready entry is due at or before the tick. Recycles empty leading queues.
inline bool nothing_due_by(tsim_s *tsim, uint64_t tick)
{
    jobq_s *queue = tsim->ready;
    if (queue && !queue->first) queue = advance_next_readyq(tsim);
    return !queue || queue->tick > tick;
}

// The entry for a wait: the own proxy when it is free, else an extra proxy from the pool.
proxy_s *choose_entry(job_s *job, int state, uint64_t value)
{
    proxy_s *proxy = &job->proxy;
    if (proxy->in_use) {
        proxy = static_cast<proxy_s *>(heap_get(&job->tsim->proxy_pool));
        if (!proxy) return nullptr;
        proxy->is_job = 0;
        proxy->is_service = 0;
        proxy->queue = nullptr;
        proxy->ahead = nullptr;
        proxy->behind = nullptr;
        proxy->service = nullptr;
        proxy->argument = nullptr;
        proxy->owner = nullptr;
        proxy->wait_key = 0;
        proxy->interrupted = nullptr;
        proxy->tick = job->proxy.tick;
        proxy->job = job;
        proxy->tsim = job->tsim;
        proxy->priority = job->base_priority;
        // On the job's list, ahead of the own proxy (which stays last).
        proxy->next_proxy = job->proxies;
        job->proxies = proxy;
    }
    proxy->in_use = 1;
    proxy->wake_value = value;
    proxy->state = state;
    return proxy;
}

} // namespace

void current_nice(void)
{
    job_s *job = tsim_active_job;
    if (!job) return;
    tsim_s *tsim = job->tsim;
    job->proxy.tick = tsim->now;
    if (!*tsim->stop && nothing_due_by(tsim, tsim->now)) return;
    readyq_insert_by_priority(tsim, &job->proxy);
    tsim_dispatch(tsim);
}

void current_delay_ticks(uint64_t delay)
{
    tsim_s *tsim = tsim_current();
    job_s *job = tsim_active_job;
    if (!tsim || !job) return;
    if (job->chunky) {
        tsim_error("current_delay_ticks. chunky job #%d[%s] called current_delay_ticks rather than "
                   "Thread_delay_cycles.",
                   job->number, job_name(job));
        tsim_calling_job_stack_trace();
        return;
    }
    if (delay == 0) {
        current_nice();
        return;
    }
    uint64_t now = tsim->now;
    uint64_t wake = now + delay;
    if (wake < now) {
        tsim_error("time has overflowed: now=%lld, delay by %lld give %lld", (long long)now, (long long)delay,
                   (long long)wake);
        // The wake tick lies beyond the end of time: the job is not queued again at now (a
        // periodic job would run again at once there and starve every other job), so the others
        // run on and the run ends when none is left.
        tsim_dispatch(tsim);
        return;
    }
    if (!tsim_dispatch_controller && !*tsim->stop && nothing_due_by(tsim, wake)) {
        tsim->now = wake;
        return;
    }
    job->proxy.tick = wake;
    readyq_insert_by_priority(tsim, &job->proxy);
    tsim_dispatch(tsim);
}

void current_delay_to_tick(uint64_t tick)
{
    tsim_s *tsim = tsim_current();
    job_s *job = tsim_active_job;
    if (!tsim || !job) return;
    if (*tsim->stop) tsim_dispatch(tsim); // the run returns; the next run continues here
    if (tick == tsim->now) {
        current_nice();
        return;
    }
    if (tick < tsim->now) {
        tsim_calling_job_stack_trace();
        tsim_error("%s", "qTSIM going backward\n");
        tick = tsim->now;
    }
    job->proxy.tick = tick;
    if (!tsim_dispatch_controller && !*tsim->stop && nothing_due_by(tsim, tick)) {
        tsim->now = tick;
        return;
    }
    readyq_insert_by_priority(tsim, &job->proxy);
    tsim_dispatch(tsim);
}

proxy_s *job_waitq_add(job_s *job, jobq_s *queue, int state, uint64_t value)
{
    proxy_s *proxy = choose_entry(job, state, value);
    if (proxy) jobq_push(queue, proxy);
    return proxy;
}

proxy_s *job_priority_waitq_add(job_s *job, jobq_s *queue, int state, uint64_t value, uint32_t key)
{
    proxy_s *proxy = choose_entry(job, state, value);
    if (!proxy) return nullptr;
    proxy->wait_key = key;
    // Descending key, first come first served among equal keys.
    proxy_s *at = queue->first;
    while (at && at->wait_key >= key) at = at->behind;
    jobq_insert_me_before(queue, proxy, at);
    return proxy;
}

proxy_s *job_readyq_add_timeout(job_s *job, uint64_t tick, int priority, uint64_t value)
{
    proxy_s *proxy = choose_entry(job, PROXY_READY, value);
    if (!proxy) return nullptr;
    proxy->priority = priority;
    proxy->tick = tick;
    readyq_insert_by_priority(job->tsim, proxy);
    return proxy;
}

uint64_t current_block(jobq_s *queue, uint64_t value)
{
    job_s *job = tsim_active_job;
    if (!job) return 0;
    job_waitq_add(job, queue, PROXY_BLOCKED, value);
    tsim_dispatch(job->tsim);
    return job->proxy.wake_value;
}

uint64_t current_pblock(jobq_s *queue, uint64_t value, uint32_t key)
{
    job_s *job = tsim_active_job;
    if (!job) return 0;
    job_priority_waitq_add(job, queue, PROXY_BLOCKED, value, key);
    tsim_dispatch(job->tsim);
    return job->proxy.wake_value;
}
