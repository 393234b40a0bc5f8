// The kernel instance, ready queues, scheduling, the dispatcher and the run entry.
#include "kernel/tsim.h"

#include <cstring>
#include <x86intrin.h>

#include "kernel/alarm.h"
#include "kernel/fault.h"
#include "kernel/hooks/kernel_adapter.h"
#include "kernel/job.h"

job_s *tsim_active_job;
proxy_s *tsim_active_proxy;
tsim_s *tsim_last_sim;
tsim_dispatch_controller_fn tsim_dispatch_controller;

// ---------------------------------------------------------------------------------------------
// Reports

namespace {

void plain_print(const char *format, ...) __attribute__((format(printf, 1, 2)));
void plain_print(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    mist_vprintf(format, args);
    va_end(args);
}

} // namespace

void tsim_print(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    mist_vprintf(format, args);
    va_end(args);
}

void tsim_error(const char *format, ...)
{
    plain_print("ERROR : ");
    va_list args;
    va_start(args, format);
    mist_vprintf(format, args);
    va_end(args);
    plain_print("\n");
}

void tsim_fatal(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    mist_verror(format, args);
    va_end(args);
}

// ---------------------------------------------------------------------------------------------
// Queues

void jobq_init(jobq_s *queue, const char *name, int keep_order)
{
    queue->tick = 0;
    queue->keep_order = keep_order;
    queue->name = name;
    queue->first = nullptr;
    queue->last = nullptr;
    queue->next = nullptr;
}

void proxy_unlink(proxy_s *proxy)
{
    jobq_s *queue = proxy->queue;
    if (!queue) return;
    if (proxy->ahead)
        proxy->ahead->behind = proxy->behind;
    else
        queue->first = proxy->behind;
    if (proxy->behind)
        proxy->behind->ahead = proxy->ahead;
    else
        queue->last = proxy->ahead;
    proxy->ahead = nullptr;
    proxy->behind = nullptr;
    proxy->queue = nullptr;
}

proxy_s *jobq_pop(jobq_s *queue)
{
    proxy_s *proxy = queue->first;
    if (proxy) proxy_unlink(proxy);
    return proxy;
}

void jobq_insert_me_before(jobq_s *queue, proxy_s *proxy, proxy_s *other)
{
    proxy->queue = queue;
    if (!other) { // last
        proxy->ahead = queue->last;
        proxy->behind = nullptr;
        if (queue->last)
            queue->last->behind = proxy;
        else
            queue->first = proxy;
        queue->last = proxy;
        return;
    }
    proxy->behind = other;
    proxy->ahead = other->ahead;
    if (other->ahead)
        other->ahead->behind = proxy;
    else
        queue->first = proxy;
    other->ahead = proxy;
}

void jobq_insert_me_after(jobq_s *queue, proxy_s *proxy, proxy_s *other)
{
    proxy->queue = queue;
    if (!other) { // first
        proxy->ahead = nullptr;
        proxy->behind = queue->first;
        if (queue->first)
            queue->first->ahead = proxy;
        else
            queue->last = proxy;
        queue->first = proxy;
        return;
    }
    proxy->ahead = other;
    proxy->behind = other->behind;
    if (other->behind)
        other->behind->ahead = proxy;
    else
        queue->last = proxy;
    other->behind = proxy;
}

namespace {

// Behind every entry of equal or higher priority (signed comparison).
inline void insert_by_priority(jobq_s *queue, proxy_s *proxy)
{
    proxy_s *at = queue->last;
    while (at && at->priority < proxy->priority) at = at->ahead;
    jobq_insert_me_after(queue, proxy, at);
}

} // namespace

void jobq_push(jobq_s *queue, proxy_s *proxy) { insert_by_priority(queue, proxy); }

int jobq_count(jobq_s *queue)
{
    int count = 0;
    for (proxy_s *p = queue->first; p; p = p->behind) count++;
    return count;
}

void proxy_init_service(proxy_s *proxy, tsim_s *tsim, proxy_service_fn service, void *argument, void *owner,
                        int priority)
{
    memset(proxy, 0, sizeof(*proxy));
    proxy->is_service = 1;
    proxy->priority = priority;
    proxy->service = service;
    proxy->argument = argument;
    proxy->owner = owner;
    proxy->state = PROXY_UNQUEUED;
    proxy->tsim = tsim;
}

// ---------------------------------------------------------------------------------------------
// The ready list

namespace {

jobq_s *take_queue_record(tsim_s *tsim)
{
    jobq_s *queue = tsim->free_queues;
    if (queue) {
        tsim->free_queues = queue->next;
    } else {
        queue = static_cast<jobq_s *>(TD_get_internal(tsim, sizeof(jobq_s), __FILE__, __LINE__));
        if (!queue) {
            tsim_error("can't allocate jobq");
            return nullptr;
        }
    }
    jobq_init(queue, "readyq", 0);
    return queue;
}

} // namespace

jobq_s *get_rq_for_tick(tsim_s *tsim, uint64_t tick)
{
    jobq_s *head = tsim->ready;
    if (head && head->tick == tick) return head;
    if (!head || tick < head->tick) {
        jobq_s *queue = take_queue_record(tsim);
        if (!queue) return nullptr;
        if (queue == head) {
            tsim_error("2: creating a circular loop in readyq");
            return nullptr;
        }
        queue->tick = tick;
        queue->next = head;
        tsim->ready = queue;
        return queue;
    }
    // The last queue whose tick is below the tick.
    jobq_s *q = head;
    while (q->next && q->next->tick < tick) q = q->next;
    jobq_s *successor = q->next;
    if (successor && successor->tick == tick) return successor;
    if (!q->first) {
        q->tick = tick;
        return q;
    }
    if (successor && !successor->first) {
        successor->tick = tick;
        return successor;
    }
    jobq_s *queue = take_queue_record(tsim);
    if (!queue) return nullptr;
    if (queue == q) {
        tsim_error("3: creating a circular loop in readyq");
        return nullptr;
    }
    queue->tick = tick;
    queue->next = successor;
    q->next = queue;
    return queue;
}

jobq_s *advance_next_readyq(tsim_s *tsim)
{
    jobq_s *head = tsim->ready;
    while (head && !head->first) {
        jobq_s *next = head->next;
        if (head == tsim->free_queues) {
            tsim_error("creating a circular loop in readyq");
            tsim->ready = next;
            return next;
        }
        head->next = tsim->free_queues;
        tsim->free_queues = head;
        head = next;
        tsim->ready = head;
    }
    return head;
}

jobq_s *peek_next_readyq(tsim_s *tsim) { return advance_next_readyq(tsim); }

jobq_s *peek_next_readyq_after(jobq_s *queue) { return queue ? queue->next : nullptr; }

proxy_s *peek_next_proxy(tsim_s *tsim)
{
    jobq_s *queue = advance_next_readyq(tsim);
    return queue ? queue->first : nullptr;
}

uint64_t ticks_until_next_event(void)
{
    tsim_s *tsim = tsim_current();
    if (!tsim) return ~uint64_t(0);
    proxy_s *next = peek_next_proxy(tsim);
    if (!next) return ~uint64_t(0);
    return next->tick > tsim->now ? next->tick - tsim->now : 0;
}

void readyq_insert_by_priority(tsim_s *tsim, proxy_s *proxy)
{
    if (proxy->state == PROXY_TERMINATED) return; // an ended job never runs again
    if (proxy->queue) proxy_unlink(proxy);         // never linked into two queues
    if (proxy->tick < tsim->now) proxy->tick = tsim->now;
    proxy->state = PROXY_READY;
    proxy->in_use = 1;
    jobq_s *queue = get_rq_for_tick(tsim, proxy->tick);
    if (!queue) {
        proxy->state = PROXY_UNQUEUED;
        proxy->in_use = 0;
        return;
    }
    insert_by_priority(queue, proxy);
}

void job_emptyq_add_service(tsim_s *tsim, proxy_s *service)
{
    proxy_unlink(service);
    service->in_use = 1;
    jobq_insert_me_before(&tsim->empty_services, service, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Scheduling

void job_withdraw_proxies(job_s *job, proxy_s *cause)
{
    uint64_t tick = cause->tick;
    uint64_t wake_value = cause->wake_value;
    proxy_s *own = &job->proxy;
    for (proxy_s *p = job->proxies; p;) {
        proxy_s *next = p->next_proxy;
        proxy_unlink(p);
        if (p != own) heap_put(&job->tsim->proxy_pool, p);
        p = next;
    }
    job->proxies = own;
    own->next_proxy = nullptr;
    own->in_use = 0;
    own->state = PROXY_UNQUEUED;
    own->priority = job->base_priority;
    own->tick = tick;
    own->wake_value = wake_value;
}

void tsim_schedule(proxy_s *proxy)
{
    tsim_s *tsim = proxy->tsim;
    if (!proxy->is_job && !proxy->is_service && proxy->job) {
        // An extra proxy wakes its job through the job's own proxy.
        job_s *job = proxy->job;
        job_withdraw_proxies(job, proxy);
        proxy = &job->proxy;
    } else if (proxy->is_job) {
        if (proxy->state == PROXY_TERMINATED) return;
        // Woken through its own proxy: no other entry of the job may wake it later.
        job_s *job = reinterpret_cast<job_s *>(proxy);
        if (job->proxies != proxy) {
            int priority = proxy->priority;
            job_withdraw_proxies(job, proxy);
            proxy->priority = priority;
        } else {
            proxy_unlink(proxy);
        }
    }
    readyq_insert_by_priority(tsim, proxy);
}

// ---------------------------------------------------------------------------------------------
// Dispatcher

namespace {

// Makes a job whose proxy was dispatched (an extra proxy, or one returned by a service) run.
inline void resume_woken_job(tsim_s *tsim, job_s *job, proxy_s *cause)
{
    job_withdraw_proxies(job, cause);
    job->proxy.state = PROXY_READY;
    tsim->now = job->proxy.tick;
    context_switch(tsim, job);
}

} // namespace

void tsim_dispatch(tsim_s *tsim)
{
    tsim->dispatch_count++;
    for (;;) {
        tsim_check_exclusive(tsim);
        if (tsim_dispatch_controller) tsim_dispatch_controller(tsim);
        if (*tsim->stop) {
            tsim->running = 0;
            context_switch(tsim, nullptr);
            return;
        }
        if (tsim->async_flag) {
            // The flag is cleared first: a signal arriving meanwhile is not lost.
            tsim->async_flag = 0;
            while (proxy_s *proxy = jobq_pop(&tsim->async_queue)) tsim_schedule(proxy);
            continue;
        }
        if (jobq_s *queue = advance_next_readyq(tsim)) {
            proxy_s *proxy = queue->first;
            proxy_unlink(proxy);
            if (proxy->is_job) {
                job_s *job = reinterpret_cast<job_s *>(proxy);
                proxy->priority = job->base_priority;
                proxy->in_use = 0;
                tsim->now = proxy->tick;
                context_switch(tsim, job);
                return;
            }
            if (proxy->is_service) {
                tsim->now = proxy->tick;
                proxy->in_use = 0;
                proxy->state = PROXY_UNQUEUED;
                job_s *previous_job = tsim_active_job;
                proxy_s *previous_proxy = tsim_active_proxy;
                proxy->interrupted = previous_job;
                tsim_active_job = nullptr;
                tsim_active_proxy = proxy;
                proxy_s *target = proxy->service(proxy, proxy->argument, previous_proxy, proxy->tick);
                tsim_active_job = previous_job;
                tsim_active_proxy = previous_proxy;
                if (!target) continue;
                job_s *job = target->is_job ? reinterpret_cast<job_s *>(target) : target->job;
                if (!job) continue;
                proxy_unlink(target);
                target->tick = tsim->now;
                resume_woken_job(tsim, job, target);
                return;
            }
            if (proxy->job) {
                resume_woken_job(tsim, proxy->job, proxy);
                return;
            }
            continue;
        }
        // Nothing is ready: run the empty-queue services once (no job is active meanwhile).
        proxy_s *service = tsim->empty_services.first;
        tsim->empty_services.first = nullptr;
        tsim->empty_services.last = nullptr;
        job_s *previous_job = tsim_active_job;
        proxy_s *previous_proxy = tsim_active_proxy;
        while (service) {
            proxy_s *next = service->behind;
            service->queue = nullptr;
            service->ahead = nullptr;
            service->behind = nullptr;
            service->in_use = 0;
            tsim_active_job = nullptr;
            tsim_active_proxy = service;
            service->service(service, service->argument, previous_proxy, tsim->now);
            service = next;
        }
        tsim_active_job = previous_job;
        tsim_active_proxy = previous_proxy;
        if (advance_next_readyq(tsim)) continue;
        context_switch(tsim, nullptr);
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// Run

void tsim_run(tsim_s *tsim, volatile uint32_t *stop)
{
    uint64_t start = __rdtsc();
    if (!tsim) return;
    if (tsim->running) {
        tsim_error("%s is already running", tsim->name);
        return;
    }
    tsim->run_start = start;
    tsim->private_stop = 0;
    tsim->stop = stop ? stop : &tsim->private_stop;
    tsim->running = 1;
    tsim->pending_call.fn = nullptr;
    if (tsim_setjmp(&tsim->caller_context) == 0) {
        tsim_active_job = nullptr;
        tsim_active_proxy = nullptr;
        tsim_dispatch(tsim);
        tsim_error("dispatch should never return");
    } else if (tsim->pending_call.fn) {
        // A job asked for a call on this stack (current_call).
        job_s *job = tsim_active_job;
        tsim_active_job = nullptr;
        tsim_active_proxy = nullptr;
        tsim_call_fn fn = tsim->pending_call.fn;
        tsim->pending_call.fn = nullptr;
        fn(job, tsim->pending_call.a, tsim->pending_call.b, tsim->pending_call.c, tsim->pending_call.d);
        context_switch(tsim, job);
        tsim_error("context_start should never return");
    } else {
        // Back from the dispatcher: stop word or no work.
        job_s *job = tsim_active_job;
        tsim_active_job = nullptr;
        tsim_active_proxy = nullptr;
        if (job && !job->proxy.queue && job->proxy.state != PROXY_TERMINATED) {
            // It gave up control without queueing itself: it continues first at the next run.
            jobq_s *queue = get_rq_for_tick(tsim, tsim->now);
            if (queue) {
                job->proxy.tick = tsim->now;
                job->proxy.state = PROXY_READY;
                job->proxy.in_use = 1;
                jobq_insert_me_after(queue, &job->proxy, nullptr);
            }
        }
    }
    tsim->running = 0;
    tsim->run_end = __rdtsc();
    tsim->total_run_cycles += tsim->run_end - tsim->run_start;
}

void current_call(tsim_call_fn fn, void *a, void *b, void *c, void *d)
{
    job_s *job = tsim_active_job;
    tsim_s *tsim = job ? job->tsim : nullptr;
    if (!job || !tsim || !tsim->running) {
        fn(nullptr, a, b, c, d);
        return;
    }
    tsim->pending_call.fn = fn;
    tsim->pending_call.a = a;
    tsim->pending_call.b = b;
    tsim->pending_call.c = c;
    tsim->pending_call.d = d;
    context_switch(tsim, nullptr);
}

uint64_t get_tsim_running_time(tsim_s *tsim)
{
    if (!tsim) return 0;
    uint64_t total = tsim->total_run_cycles;
    if (tsim->running) total += __rdtsc() - tsim->run_start;
    return total;
}

void tsim_dump_stats(tsim_s *) {}

uint64_t tsim_dispatch_version(tsim_s *tsim) { return tsim ? tsim->dispatch_count : 0; }

void tsim_hold_stop(tsim_s *) {}
void tsim_release_stop(tsim_s *) {}
void tsim_request_exclusive(tsim_s *) {}
void tsim_leave_exclusive(tsim_s *) {}
void tsim_request_all_exclusive(tsim_s *) {}
void tsim_leave_all_exclusive(tsim_s *) {}
void tsim_check_exclusive(tsim_s *) {}
void tsim_set_total_num(int) {}
void tsim_set_expect_num(int) {}
int tsim_get_total_num(void) { return 1; }
uint64_t tsim_min_next_tick(void) { return ~uint64_t(0); }
int tsim_can_switch_to(tsim_s *) { return 1; }

// ---------------------------------------------------------------------------------------------
// Creation and cleanup

namespace {

int tsim_setup(tsim_s *tsim, const char *name, space_s *space)
{
    memset(tsim, 0, sizeof(*tsim));
    tsim->space = space ? space : space_default();
    const char *text = name ? name : "";
    tsim->name = tsim_keep_string(tsim, text);
    if (!tsim->name) {
        tsim_error("can't allocate space for name (%d)", (int)(strlen(text) + 1));
        return 0;
    }
    tsim->stop = &tsim->private_stop;
    tsim->page_size = tsim_page_size();
    tsim->page_mask = tsim->page_size - 1;
    tsim->page_shift = (uint32_t)__builtin_ctzll(tsim->page_size);
    jobq_init(&tsim->empty_services, "readyq_empty", 0);
    jobq_init(&tsim->port_jobs, "port jobq pool", 0);
    jobq_init(&tsim->async_queue, "async jobq pool", 0);
    heap_init(&tsim->proxy_pool, tsim->space, sizeof(proxy_s));
    module_table_init(&tsim->modules, tsim->space);
    tsim_last_sim = tsim;
    return 1;
}

tsim_s *tsim_create(const char *name, space_s *space)
{
    tsim_install_fault_handlers();
    auto *tsim = static_cast<tsim_s *>(space_get(space ? space : space_default(), sizeof(tsim_s), __FILE__, __LINE__));
    if (!tsim) {
        tsim_error("can't allocate space for tsim");
        return nullptr;
    }
    if (!tsim_setup(tsim, name, space)) {
        tsim_cleanup(tsim);
        space_put(tsim);
        return nullptr;
    }
    tsim->space_owned = 1;
    return tsim;
}

} // namespace

tsim_s *tsim_new(const char *name) { return tsim_create(name, space_default()); }

tsim_s *tsim_new_space(const char *name, space_s *space) { return tsim_create(name, space); }

int tsim_init(tsim_s *tsim, const char *name)
{
    tsim_install_fault_handlers();
    if (!tsim_setup(tsim, name, space_default())) {
        tsim_cleanup(tsim);
        return 0;
    }
    return 1;
}

void tsim_cleanup(tsim_s *tsim)
{
    if (!tsim) return;
    alarm_cancel_for_tsim(tsim);
    tsim_module_exit(tsim);
    buffer_cleanup(&tsim->modules.buffer);
    tsim->modules.count = 0;
    tsim_release_jobs(tsim);
    // Whatever still waits in the ready list: extra proxies go back to the pool.
    while (jobq_s *queue = tsim->ready) {
        while (proxy_s *proxy = jobq_pop(queue)) {
            proxy->in_use = 0;
            if (!proxy->is_job && !proxy->is_service) heap_put(&tsim->proxy_pool, proxy);
        }
        tsim->ready = queue->next;
        tsim_put(tsim, queue);
    }
    while (jobq_s *queue = tsim->free_queues) {
        tsim->free_queues = queue->next;
        tsim_put(tsim, queue);
    }
    tsim_free_string(tsim, tsim->name);
    tsim->name = nullptr;
    if (tsim->stack_stats.any_guarded)
        tsim_print("STACK Utilization. Total Stack Pages Used: %u, Observed Job Count: %u, Biggest Stack Size: %u "
                   "(by Job: '%s'), (Exec) Stack Pages: %d, Page Size: %d\n",
                   tsim->stack_stats.total_pages, tsim->stack_stats.observed_jobs, tsim->stack_stats.biggest_pages,
                   tsim->stack_stats.biggest_name, (int)(TSIM_DEFAULT_STACK_SIZE / tsim->page_size),
                   (int)tsim->page_size);
    heap_cleanup(&tsim->proxy_pool);
    if (tsim_last_sim == tsim) tsim_last_sim = nullptr;
}

void tsim_free(tsim_s *tsim)
{
    if (!tsim) return;
    int owned = tsim->space_owned;
    tsim_cleanup(tsim);
    if (owned) space_put(tsim);
}
