// Events and event sets.
#include "kernel/event.h"

#include <cstdio>

#include "kernel/delay.h"

namespace
{

// A set flag ends the wait at once and is consumed.
inline bool take_flag(event_s *event)
{
    if (!event->state) return false;
    event->state = 0;
    return true;
}

proxy_s *wait_add(void *object, job_s *job, uint64_t value)
{
    auto *event = static_cast<event_s *>(object);
    if (take_flag(event)) return &waiter_ready_proxy;
    return job_waitq_add(job, &event->waiters, PROXY_BLOCKED, value);
}

proxy_s *queue_add(void *object, job_s *job, uint64_t value)
{
    auto *event = static_cast<event_s *>(object);
    if (take_flag(event)) return &waiter_ready_proxy;
    return job_waitq_add(job, &event->queuers, PROXY_BLOCKED, value);
}

void entry_remove(void *, proxy_s *proxy)
{
    proxy_unlink(proxy);
}

int block(event_s *event, jobq_s *queue, bool timed, uint64_t timeout, int priority)
{
    if (take_flag(event)) return 1;
    if (!tsim_active_job) return 0;
    if (!timed) {
        current_block(queue, 1);
        return 1;
    }
    return (int)current_block_timeout(queue, 1, timeout, priority, 0);
}

void set_name_texts(char *buffer, size_t size, const char *format, const char *name)
{
    snprintf(buffer, size, format, name ? name : "");
}

} // namespace

void event_init(event_s *event, tsim_s *tsim, const char *name)
{
    event->wait_add = wait_add;
    event->wait_remove = entry_remove;
    event->wait_object = event;
    event->queue_add = queue_add;
    event->queue_remove = entry_remove;
    event->queue_object = event;
    event->tsim = tsim;
    event->name = name ? tsim_keep_string(tsim, name) : nullptr;
    event->state = 0;
    jobq_init(&event->waiters, "Event Waiters", 0);
    jobq_init(&event->queuers, "Event Queuers", 0);
}

event_s *event_new(tsim_s *tsim, const char *name)
{
    auto *event = static_cast<event_s *>(TSIM_GET(tsim, sizeof(event_s)));
    if (!event) {
        tsim_error("can't allocate event");
        return nullptr;
    }
    event_init(event, tsim, name);
    return event;
}

void event_set_name(event_s *event, const char *name)
{
    if (event->name) tsim_free_string(event->tsim, event->name);
    event->name = name ? tsim_keep_string(event->tsim, name) : nullptr;
}

void event_cleanup(event_s *event)
{
    jobq_drop_all(&event->waiters);
    jobq_drop_all(&event->queuers);
    event_set_name(event, nullptr);
}

void event_free(event_s *event)
{
    if (!event) return;
    event_cleanup(event);
    tsim_put(event->tsim, event);
}

void event_signal(event_s *event)
{
    if (!event->waiters.first && !event->queuers.first) {
        event->state = 1;
        return;
    }
    jobq_wake_all(&event->waiters);
    if (proxy_s *first = jobq_pop(&event->queuers)) tsim_schedule(first);
}

int event_wait(event_s *event)
{
    return block(event, &event->waiters, false, 0, 0);
}
int event_wait_timeout(event_s *event, uint64_t timeout)
{
    return block(event, &event->waiters, true, timeout, current_priority());
}
int event_wait_timeout_priority(event_s *event, uint64_t timeout, int priority)
{
    return block(event, &event->waiters, true, timeout, priority);
}
int event_queue(event_s *event)
{
    return block(event, &event->queuers, false, 0, 0);
}
int event_queue_timeout(event_s *event, uint64_t timeout)
{
    return block(event, &event->queuers, true, timeout, current_priority());
}
int event_queue_timeout_priority(event_s *event, uint64_t timeout, int priority)
{
    return block(event, &event->queuers, true, timeout, priority);
}

int event_try(event_s *event)
{
    return take_flag(event) ? 1 : 0;
}
void event_clear(event_s *event)
{
    event->state = 0;
}
int event_state(event_s *event)
{
    return event->state;
}
int event_wait_cnt(event_s *event)
{
    return jobq_count(&event->waiters);
}
int event_queue_cnt(event_s *event)
{
    return jobq_count(&event->queuers);
}
void *event_queue_waitable(event_s *event)
{
    return &event->queue_add;
}

// ---- event sets ----

void eventset_init(eventset_s *set, tsim_s *tsim, const char *name)
{
    char text[256];
    set->tsim = tsim;
    set_name_texts(text, sizeof text, "ws for waiters on es %s", name);
    waitset_init(&set->waiters, tsim, text);
    set_name_texts(text, sizeof text, "ws for queuers on es %s", name);
    waitset_init(&set->queuers, tsim, text);
}

eventset_s *eventset_new(tsim_s *tsim, const char *name)
{
    auto *set = static_cast<eventset_s *>(TSIM_GET(tsim, sizeof(eventset_s)));
    if (!set) {
        tsim_error("can't allocate eventset");
        return nullptr;
    }
    eventset_init(set, tsim, name);
    return set;
}

int eventset_add(eventset_s *set, event_s *event, uint64_t value)
{
    return waitset_add(&set->waiters, event, value) &&
           waitset_add(&set->queuers, event_queue_waitable(event), value);
}

void eventset_clear(eventset_s *set)
{
    waitset_clear(&set->waiters);
    waitset_clear(&set->queuers);
}

uint64_t eventset_wait(eventset_s *set)
{
    return waitset_wait(&set->waiters);
}
uint64_t eventset_wait_timeout(eventset_s *set, uint64_t timeout)
{
    return waitset_wait_timeout(&set->waiters, timeout);
}
uint64_t eventset_wait_timeout_priority(eventset_s *set, uint64_t timeout, int priority)
{
    return waitset_wait_timeout_priority(&set->waiters, timeout, priority);
}
uint64_t eventset_queue(eventset_s *set)
{
    return waitset_wait(&set->queuers);
}
uint64_t eventset_queue_timeout(eventset_s *set, uint64_t timeout)
{
    return waitset_wait_timeout(&set->queuers, timeout);
}
uint64_t eventset_queue_timeout_priority(eventset_s *set, uint64_t timeout, int priority)
{
    return waitset_wait_timeout_priority(&set->queuers, timeout, priority);
}

void eventset_cleanup(eventset_s *set)
{
    waitset_cleanup(&set->waiters);
    waitset_cleanup(&set->queuers);
}

void eventset_free(eventset_s *set)
{
    if (!set) return;
    eventset_cleanup(set);
    tsim_put(set->tsim, set);
}
