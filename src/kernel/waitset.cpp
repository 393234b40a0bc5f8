// Wait sets.
#include "kernel/waitset.h"

#include <cstdio>

#include "kernel/delay.h"
#include "kernel/job.h"

proxy_s waiter_ready_proxy = {};

namespace
{

inline waitset_member_s *members(waitset_s *set)
{
    return static_cast<waitset_member_s *>(set->members.data);
}

inline uint64_t deadline(tsim_s *tsim, uint64_t timeout)
{
    uint64_t tick = tsim->now + timeout;
    return tick < tsim->now ? ~uint64_t(0) : tick;
}

uint64_t wait(waitset_s *set, bool timed, uint64_t timeout, int priority)
{
    job_s *job = tsim_active_job;
    if (!job) return WAIT_CLEARED;
    for (int i = 0; i < set->count; i++) {
        waitset_member_s &member = members(set)[i];
        proxy_s *entry = member.waitable->add(member.waitable->object, job, member.value);
        if (entry == &waiter_ready_proxy) {
            // No wait: the entries placed so far go again.
            job_withdraw_proxies(job, &job->proxy);
            return member.value;
        }
    }
    job_waitq_add(job, &set->waiters, PROXY_BLOCKED, WAIT_CLEARED);
    if (timed) job_readyq_add_timeout(job, deadline(job->tsim, timeout), priority, WAIT_TIMED_OUT);
    tsim_dispatch(job->tsim);
    return job->proxy.wake_value;
}

} // namespace

int current_priority(void)
{
    return tsim_active_proxy ? tsim_active_proxy->priority : 1;
}

void jobq_drop_all(jobq_s *queue)
{
    while (proxy_s *proxy = jobq_pop(queue)) {
        proxy->state = PROXY_UNQUEUED;
        proxy->in_use = 0;
    }
}

void jobq_wake_all(jobq_s *queue)
{
    while (proxy_s *proxy = jobq_pop(queue))
        tsim_schedule(proxy);
}

proxy_s *job_waitq_add_priority(job_s *job, jobq_s *queue, uint64_t value, int priority)
{
    proxy_s *proxy = job_waitq_add(job, queue, PROXY_BLOCKED, value);
    if (proxy && proxy->priority != priority) {
        proxy_unlink(proxy);
        proxy->priority = priority;
        jobq_push(queue, proxy);
    }
    return proxy;
}

uint64_t current_block_timeout(jobq_s *queue, uint64_t woken_value, uint64_t timeout, int priority,
                               uint64_t timeout_value)
{
    job_s *job = tsim_active_job;
    if (!job) return timeout_value;
    job_waitq_add(job, queue, PROXY_BLOCKED, woken_value);
    job_readyq_add_timeout(job, deadline(job->tsim, timeout), priority, timeout_value);
    tsim_dispatch(job->tsim);
    return job->proxy.wake_value;
}

void waitset_init(waitset_s *set, tsim_s *tsim, const char *name)
{
    set->tsim = tsim;
    set->name = name ? tsim_keep_string(tsim, name) : nullptr;
    set->count = 0;
    buffer_init(&set->members, tsim_space(tsim), 0);
    jobq_init(&set->waiters, "Wait Set Waiters", 0);
}

waitset_s *waitset_new(tsim_s *tsim, const char *name)
{
    auto *set = static_cast<waitset_s *>(TSIM_GET(tsim, sizeof(waitset_s)));
    if (!set) {
        tsim_error("can't allocate waitset");
        return nullptr;
    }
    waitset_init(set, tsim, name);
    return set;
}

int waitset_add(waitset_s *set, void *waitable, uint64_t value)
{
    if (!waitable) return 0;
    auto *member = static_cast<waitset_member_s *>(
        buffer_array(&set->members, sizeof(waitset_member_s), (size_t)set->count));
    if (!member) return 0;
    member->waitable = static_cast<waitable_s *>(waitable);
    member->value = value;
    set->count++;
    return 1;
}

void waitset_clear(waitset_s *set)
{
    set->count = 0;
    jobq_wake_all(&set->waiters);
}

uint64_t waitset_wait(waitset_s *set)
{
    return wait(set, false, 0, 0);
}

uint64_t waitset_wait_timeout(waitset_s *set, uint64_t timeout)
{
    return wait(set, true, timeout, current_priority());
}

uint64_t waitset_wait_timeout_priority(waitset_s *set, uint64_t timeout, int priority)
{
    return wait(set, true, timeout, priority);
}

int waitset_wait_count(waitset_s *set)
{
    return jobq_count(&set->waiters);
}

void waitset_cleanup(waitset_s *set)
{
    waitset_clear(set);
    buffer_cleanup(&set->members);
    if (set->name) tsim_free_string(set->tsim, set->name);
    set->name = nullptr;
}

void waitset_free(waitset_s *set)
{
    if (!set) return;
    waitset_cleanup(set);
    tsim_put(set->tsim, set);
}
