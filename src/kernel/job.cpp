// Jobs: creation and first start, stacks, the context switch, ending, and the operations on
// another job.
#include "kernel/job.h"

#include <cstring>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include "kernel/counter.h"
#include "kernel/delay.h"
#include "kernel/fault.h"
#include "kernel/hooks/kernel_adapter.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

// ---------------------------------------------------------------------------------------------
// Stack memory

size_t tsim_page_size(void)
{
    static size_t page_size = 0;
    if (!page_size) {
        long size = sysconf(_SC_PAGESIZE);
        page_size = size > 0 ? (size_t)size : 4096;
    }
    return page_size;
}

void *tsim_map(tsim_s *tsim, size_t length)
{
    void *address = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (address == MAP_FAILED) {
        tsim_error("can't map %lld bytes (%d jobs)", (long long)length, tsim ? tsim->next_job_number : 0);
        return nullptr;
    }
    return address;
}

int tsim_protect_none(tsim_s *, void *address, size_t length)
{
    if (mprotect(address, length, PROT_NONE) != 0) {
        tsim_error("can't protect %lld bytes @ 0x%llx", (long long)length, (unsigned long long)(uintptr_t)address);
        return 0;
    }
    return 1;
}

int tsim_protect_RW(tsim_s *, void *address, size_t length)
{
    if (mprotect(address, length, PROT_READ | PROT_WRITE) != 0) {
        tsim_error("can't unprotect %lld bytes @ 0x%llx", (long long)length, (unsigned long long)(uintptr_t)address);
        return 0;
    }
    return 1;
}

int tsim_unmap(tsim_s *, void *address, size_t length)
{
#if defined(__SANITIZE_ADDRESS__)
    // A stack's frames leave poison behind; a later mapping at the same address must not inherit it.
    ASAN_UNPOISON_MEMORY_REGION(address, length);
#endif
    if (munmap(address, length) != 0) {
        tsim_error("can't unmap %lld bytes @ 0x%llx", (long long)length, (unsigned long long)(uintptr_t)address);
        return 0;
    }
    return 1;
}

namespace {

inline tsim_free_stack_s **free_stack_list(tsim_s *tsim, uint64_t size)
{
    return &tsim->free_stacks[(size / tsim->page_size) % TSIM_FREE_STACK_LISTS];
}

// A stack of exactly this size from the free lists, else a newly mapped one with its lowest
// page inaccessible (the guard page).
bool take_stack(tsim_s *tsim, job_s *job, uint32_t size)
{
    size_t page = tsim->page_size;
    char *base = nullptr;
    for (tsim_free_stack_s **link = free_stack_list(tsim, size); *link; link = &(*link)->next) {
        if ((*link)->size == size) {
            tsim_free_stack_s *entry = *link;
            *link = entry->next;
            base = reinterpret_cast<char *>(entry) - page;
#if defined(__SANITIZE_ADDRESS__)
            // Frames of the stack's previous job left their poison behind.
            ASAN_UNPOISON_MEMORY_REGION(base + page, size - page);
#endif
            break;
        }
    }
    if (!base) {
        base = static_cast<char *>(tsim_map(tsim, size));
        if (!base) return false;
        if (!tsim_protect_none(tsim, base, page)) {
            tsim_unmap(tsim, base, size);
            return false;
        }
    }
    job->stack = base;
    job->stack_size = size;
    // Page-by-page growth needs the fault handler; without it the stack stays fully usable.
    if (mist_debug_on(DEBUG_CATEGORY_STACK_CHECK) && tsim_handlers_installed && size > 2 * page) {
        if (tsim_protect_none(tsim, base + page, size - 2 * page)) {
            job->guarded_pages = 1;
            tsim->stack_stats.any_guarded = 1;
        }
    }
    return true;
}

void recycle_stack(tsim_s *tsim, job_s *job)
{
    size_t page = tsim->page_size;
    if (job->guarded_pages) {
        tsim_protect_RW(tsim, job->stack + page, job->stack_size - page);
        auto &stats = tsim->stack_stats;
        stats.total_pages += job->guarded_pages;
        stats.observed_jobs++;
        if (job->guarded_pages >= stats.biggest_pages) {
            stats.biggest_pages = job->guarded_pages;
            strncpy(stats.biggest_name, job->name ? job->name : "", sizeof(stats.biggest_name) - 1);
            stats.biggest_name[sizeof(stats.biggest_name) - 1] = '\0';
        }
        job->guarded_pages = 0;
    }
    auto *entry = reinterpret_cast<tsim_free_stack_s *>(job->stack + page);
    entry->size = job->stack_size;
    tsim_free_stack_s **list = free_stack_list(tsim, job->stack_size);
    entry->next = *list;
    *list = entry;
    job->stack = nullptr;
}

// ---------------------------------------------------------------------------------------------
// First start

// Creation is synchronous, so one first-start context and one creator save area serve all jobs.
ucontext_t first_start_context;
tsim_context_t creator_context;
job_s *starting_job;

void run_entry(job_s *job)
{
    try {
        tsim_call_aligned(job->entry, job->argument);
    } catch (...) {
        // An exception must not leave the job's stack: it ends the job instead.
        tsim_error("job '%s' ended by an uncaught exception", job->name ? job->name : "");
    }
}

void real_job_entry()
{
    job_s *job = starting_job;
    if (tsim_setjmp(&job->context) == 0) tsim_longjmp(&creator_context, 1);
    // First dispatch: now on the job's own stack.
    job = tsim_active_job;
    run_entry(job);
    current_done();
    tsim_error("current_done returned");
    tsim_error("real_job_entry returned");
    for (;;) {
        tsim_active_job = nullptr;
        tsim_active_proxy = nullptr;
        tsim_dispatch(job->tsim);
    }
}

bool first_start(job_s *job)
{
    size_t page = job->tsim->page_size;
    if (getcontext(&first_start_context) != 0) {
        tsim_error("This platform doesn't implement setcontext, tsim will not function correctly");
        return false;
    }
    first_start_context.uc_stack.ss_sp = job->stack + page;
    first_start_context.uc_stack.ss_size = job->stack_size - page;
    first_start_context.uc_stack.ss_flags = 0;
    first_start_context.uc_link = nullptr;
    makecontext(&first_start_context, real_job_entry, 0);
    starting_job = job;
    if (tsim_setjmp(&creator_context) == 0) {
        setcontext(&first_start_context);
        tsim_error("This platform doesn't implement setcontext, tsim will not function correctly");
        return false;
    }
    starting_job = nullptr;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Lists

bool on_list(job_s *head, job_s *job, bool dynamic)
{
    for (job_s *j = head; j; j = dynamic ? j->dynamic_next : j->static_next)
        if (j == job) return true;
    return false;
}

void dynamic_push_head(tsim_s *tsim, job_s *job)
{
    job->dynamic_prev = nullptr;
    job->dynamic_next = tsim->dynamic_head;
    if (tsim->dynamic_head)
        tsim->dynamic_head->dynamic_prev = job;
    else
        tsim->dynamic_tail = job;
    tsim->dynamic_head = job;
    job->on_dynamic_list = 1;
}

void dynamic_remove(tsim_s *tsim, job_s *job)
{
    if (!job->on_dynamic_list) return;
    if (job->dynamic_prev)
        job->dynamic_prev->dynamic_next = job->dynamic_next;
    else
        tsim->dynamic_head = job->dynamic_next;
    if (job->dynamic_next)
        job->dynamic_next->dynamic_prev = job->dynamic_prev;
    else
        tsim->dynamic_tail = job->dynamic_prev;
    job->dynamic_next = job->dynamic_prev = nullptr;
    job->on_dynamic_list = 0;
}

void static_append(tsim_s *tsim, job_s *job)
{
    job->static_next = nullptr;
    job->static_prev = tsim->static_tail;
    if (tsim->static_tail)
        tsim->static_tail->static_next = job;
    else
        tsim->static_head = job;
    tsim->static_tail = job;
    job->on_static_list = 1;
}

void static_remove(tsim_s *tsim, job_s *job)
{
    if (!job->on_static_list) return;
    if (job->static_prev)
        job->static_prev->static_next = job->static_next;
    else
        tsim->static_head = job->static_next;
    if (job->static_next)
        job->static_next->static_prev = job->static_prev;
    else
        tsim->static_tail = job->static_prev;
    job->static_next = job->static_prev = nullptr;
    job->on_static_list = 0;
}

void release_name(job_s *job)
{
    if (job->name) tsim_free_string(job->tsim, job->name);
    job->name = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Creation

job_s *job_create(tsim_s *tsim, job_s *record, const char *name, counter_s *counter, job_entry_fn fn,
                  void *argument, int64_t requested)
{
    bool dynamic = record == nullptr;
    const char *shown = name ? name : "???";
    if (!tsim) {
        if (dynamic) {
            tsim_error("no tsim while creating job");
        } else {
            tsim_error("no sim while creating %s", shown);
            tsim_error("job_new_exec failure for %s", shown);
        }
        return nullptr;
    }
    bool was_dynamic = false, was_static = false;
    job_s *job = record;
    if (dynamic) {
        job = tsim->free_jobs;
        if (job) {
            tsim->free_jobs = job->dynamic_next;
        } else {
            job = static_cast<job_s *>(TD_get_internal(tsim, sizeof(job_s), __FILE__, __LINE__));
            if (!job) {
                tsim_error("can't allocate job structure");
                return nullptr;
            }
        }
    } else {
        // A caller-owned record may already be on a list (initialised twice).
        was_dynamic = on_list(tsim->dynamic_head, job, true);
        was_static = on_list(tsim->static_head, job, false);
        if (was_static) static_remove(tsim, job);
    }

    size_t page = tsim->page_size;
    uint64_t size = 0;
    if (requested >= 0 && (uint64_t)requested <= UINT32_MAX - 2 * page)
        size = ((uint64_t)requested + page + page - 1) & ~(uint64_t)(page - 1);

    job_s *creator = tsim_active_job;
    job_s *saved_dynamic_next = was_dynamic ? job->dynamic_next : nullptr;
    job_s *saved_dynamic_prev = was_dynamic ? job->dynamic_prev : nullptr;
    memset(job, 0, sizeof(*job));
    if (was_dynamic) {
        job->dynamic_next = saved_dynamic_next;
        job->dynamic_prev = saved_dynamic_prev;
        job->on_dynamic_list = 1;
    }
    job->tsim = tsim;
    job->proxies = &job->proxy;
    job->base_priority = creator ? creator->base_priority : 1;
    if (creator) {
        job->user_word[0] = creator->user_word[0];
        job->user_word[1] = creator->user_word[1];
    }
    proxy_s *own = &job->proxy;
    own->is_job = 1;
    own->state = PROXY_UNQUEUED;
    own->priority = job->base_priority;
    own->job = job;
    own->tsim = tsim;

    bool ok = true;
    if (requested > 0 && size == 0) {
        tsim_error("can't map %lld bytes (%d jobs)", (long long)requested, tsim->next_job_number);
        ok = false;
    } else if (size < 2 * page) {
        tsim_error("stack size too small %s", shown);
        ok = false;
    }
    if (ok) {
        job->name = tsim_keep_string(tsim, name ? name : "");
        ok = job->name != nullptr;
    }
    if (ok) ok = take_stack(tsim, job, (uint32_t)size);
    if (ok) {
        job->number = tsim->next_job_number++;
        own->tick = tsim->now;
        job->completion = counter;
        if (counter) counter_up(counter);
        module_table_init(&job->modules, tsim->space);
        counter_init(&job->counter, tsim, "internal counter");
        own->state = PROXY_READY;
        job->entry = fn;
        job->argument = argument;
        if (!first_start(job)) {
            if (counter) counter_down(counter);
            job->completion = nullptr;
            counter_cleanup(&job->counter);
            ok = false;
        }
    }
    if (!ok) {
        own->state = PROXY_TERMINATED;
        if (job->stack) recycle_stack(tsim, job);
        release_name(job);
        tsim_error("job_new_exec failure for %s", shown);
        if (dynamic) {
            job->dynamic_next = tsim->free_jobs;
            tsim->free_jobs = job;
        } else if (was_dynamic) {
            dynamic_remove(tsim, job);
        }
        return nullptr;
    }

    readyq_insert_by_priority(tsim, own);
    if (dynamic)
        dynamic_push_head(tsim, job);
    else if (!was_dynamic)
        static_append(tsim, job);
    return job;
}

// Ends a job; a running job never comes back from here.
void job_end(job_s *job)
{
    tsim_s *tsim = job->tsim;
    if (job_s *deferred = tsim->deferred_free) {
        tsim->deferred_free = nullptr;
        if (deferred != job) job_free(deferred);
    }
    if (job->proxy.state != PROXY_TERMINATED) {
        job_withdraw_proxies(job, &job->proxy);
        job->proxy.state = PROXY_TERMINATED;
        if (counter_s *completion = job->completion) {
            job->completion = nullptr;
            counter_down(completion);
        }
        job_module_exit(job);
        buffer_cleanup(&job->modules.buffer);
        job->modules.count = 0;
        // Waiters on the internal counter are dropped (they stay blocked): the record may be
        // reused, and their entries must not point into it.
        if (job->counter.queue.first) tsim_error("counter has waiting jobs");
        counter_force_cleanup(&job->counter);
    }
    bool running = job == tsim_active_job;
    if (job->stack && !running) recycle_stack(tsim, job);
    if (job->detached) {
        if (!running) return;
        tsim->deferred_free = job;
    }
    if (running) {
        tsim_active_job = nullptr;
        tsim_active_proxy = nullptr;
        tsim_dispatch(tsim);
    }
}

} // namespace

job_s *job_new(tsim_s *tsim, const char *name, job_entry_fn fn, void *argument)
{
    return job_create(tsim, nullptr, name, nullptr, fn, argument, TSIM_DEFAULT_STACK_SIZE);
}

job_s *job_new_exec(tsim_s *tsim, const char *name, counter_s *counter, job_entry_fn fn, void *argument)
{
    return job_create(tsim, nullptr, name, counter, fn, argument, TSIM_DEFAULT_STACK_SIZE);
}

job_s *job_new_stack(tsim_s *tsim, const char *name, job_entry_fn fn, void *argument, int64_t stack_size)
{
    return job_create(tsim, nullptr, name, nullptr, fn, argument, stack_size);
}

int job_init_exec(job_s *job, tsim_s *tsim, const char *name, counter_s *counter, job_entry_fn fn, void *argument)
{
    if (!job) return 0;
    return job_create(tsim, job, name, counter, fn, argument, TSIM_DEFAULT_STACK_SIZE) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Context switch

namespace {

// The address sanitizer does not see stack switches: frames a job left by a switch keep their
// poison below its live stack pointer. Forget it for the stack being left and the one entered.
inline void forget_dead_frames([[maybe_unused]] job_s *job, [[maybe_unused]] uintptr_t below)
{
#if defined(__SANITIZE_ADDRESS__)
    if (!job || !job->stack) return;
    uintptr_t low = (uintptr_t)job->stack + job->tsim->page_size;
    if (below > low + 256) ASAN_UNPOISON_MEMORY_REGION((void *)low, below - 256 - low);
#endif
}

} // namespace

void context_switch(tsim_s *tsim, job_s *target)
{
    job_s *current = tsim_active_job;
    if (current) {
        if (current == target) { // already on its stack
            tsim_active_proxy = &target->proxy;
            return;
        }
        current->saved_frame = __builtin_frame_address(0);
        if (tsim_setjmp(&current->context)) return;
        forget_dead_frames(current, (uintptr_t)__builtin_frame_address(0));
    }
    if (target) {
        forget_dead_frames(target, (uintptr_t)target->context.rsp);
        tsim_active_job = target;
        tsim_active_proxy = &target->proxy;
        tsim_longjmp(&target->context, 1);
    }
    tsim_longjmp(&tsim->caller_context, 1);
}

// ---------------------------------------------------------------------------------------------
// Ending and freeing

void current_done(void)
{
    job_s *job = tsim_active_job;
    if (!job) return;
    job_end(job);
    tsim_error("current_done is returning after job_cleanup_internal!");
    tsim_error("current_done is returning!");
}

void job_free(job_s *job)
{
    if (!job) return;
    tsim_s *tsim = job->tsim;
    if (job->on_static_list) { // caller-owned record
        job_cleanup(job);
        return;
    }
    if (job == tsim_active_job) {
        // Freeing itself: the kernel frees the record once the job has left its stack.
        job->detached = 1;
        job_end(job);
        return;
    }
    job_end(job);
    if (tsim->deferred_free == job) tsim->deferred_free = nullptr;
    if (!job->on_dynamic_list) return; // already free
    dynamic_remove(tsim, job);
    release_name(job);
    job->dynamic_next = tsim->free_jobs;
    tsim->free_jobs = job;
}

void job_cleanup(job_s *job)
{
    if (!job) return;
    job_end(job);
    static_remove(job->tsim, job);
    release_name(job);
}

void job_detach(job_s *job)
{
    if (job) job->detached = 1;
}

void tsim_release_jobs(tsim_s *tsim)
{
    while (tsim->dynamic_head) job_free(tsim->dynamic_head);
    while (tsim->static_head) job_cleanup(tsim->static_head);
    if (job_s *deferred = tsim->deferred_free) {
        tsim->deferred_free = nullptr;
        job_free(deferred);
    }
    size_t page = tsim->page_size;
    for (auto &list : tsim->free_stacks) {
        while (tsim_free_stack_s *entry = list) {
            list = entry->next;
            tsim_unmap(tsim, reinterpret_cast<char *>(entry) - page, entry->size);
        }
    }
    while (job_s *job = tsim->free_jobs) {
        tsim->free_jobs = job->dynamic_next;
        tsim_put(tsim, job);
    }
}

// ---------------------------------------------------------------------------------------------
// Accessors

int job_number(job_s *job) { return job ? job->number : -1; }

int current_job_number(void) { return job_number(tsim_active_job); }

const char *job_name(job_s *job) { return job && job->name ? job->name : ""; }

int job_get_priority(job_s *job) { return job ? job->base_priority : 0; }

counter_s *job_counter(job_s *job) { return job ? &job->counter : nullptr; }

int job_get(job_s *job) { return job ? counter_get(&job->counter) : 0; }

int job_up(job_s *job) { return job ? counter_up(&job->counter) : 0; }

int job_down(job_s *job) { return job ? counter_down(&job->counter) : 0; }

void job_set(job_s *job, int value)
{
    if (job) counter_set(&job->counter, value);
}

void job_sync(job_s *job)
{
    if (job) counter_sync(&job->counter);
}

int job_wait(job_s *job, uint64_t timeout) { return job ? counter_wait(&job->counter, timeout) : 1; }

// ---------------------------------------------------------------------------------------------
// Operations on another job

int job_set_priority(job_s *job, int priority)
{
    if (!job) return 0;
    int old = job->base_priority;
    job->base_priority = priority;
    for (proxy_s *p = job->proxies; p; p = p->next_proxy) {
        p->priority = priority;
        jobq_s *queue = p->queue;
        if (!queue || queue->keep_order) continue;
        // Wait queues and ready queues share the rule: behind equal or higher priority.
        proxy_unlink(p);
        jobq_push(queue, p);
    }
    return old;
}

namespace {

void schedule_job(job_s *job, uint64_t tick, bool only_later)
{
    if (!job) return;
    if (job == tsim_active_job) {
        tsim_error("Cannot schedule yourself explicitly");
        return;
    }
    proxy_s *own = &job->proxy;
    if (own->state == PROXY_TERMINATED) return;
    if (own->state == PROXY_READY && own->queue && (only_later ? own->tick <= tick : own->tick == tick)) return;
    own->tick = tick;
    proxy_unlink(own);
    tsim_schedule(own);
}

} // namespace

void job_schedule_to(job_s *job, uint64_t tick) { schedule_job(job, tick, true); }

void job_schedule_at(job_s *job, uint64_t tick) { schedule_job(job, tick, false); }

void job_schedule_delay(job_s *job, uint64_t delay)
{
    if (!job) return;
    uint64_t now = job->tsim->now;
    uint64_t tick = now + delay;
    schedule_job(job, tick < now ? ~uint64_t(0) : tick, true);
}

void job_set_needs_reinitializing(job_s *job, uint64_t tick)
{
    if (!job) return;
    job->reinitialize = 1;
    job->reinitialize_tick = tick;
}

void job_check_for_reinitialization(void)
{
    job_s *job = tsim_active_job;
    if (!job || !job->reinitialize) return;
    job->reinitialize = 0;
    current_delay_to_tick(job->reinitialize_tick);
}

void job_queue_check(job_s *job)
{
    if (!job || job == tsim_active_job || job->proxy.state == PROXY_TERMINATED) return;
    proxy_s *own = &job->proxy;
    if (job->counter.value <= 0) {
        if (!own->queue) readyq_insert_by_priority(job->tsim, own); // a past tick is raised to now
    } else if (own->queue) {
        job_withdraw_proxies(job, own); // frozen: out of every queue until thawed
    }
}
