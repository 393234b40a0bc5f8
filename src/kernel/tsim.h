// The event kernel's records (instance, queues, queue entries, jobs, counters) and the
// instance operations: creation and cleanup, ready queues, scheduling, the dispatcher, the run
// entry and the kernel's report functions. Jobs are kernel/job.h, delays and blocking
// kernel/delay.h, counters kernel/counter.h, storage kernel/storage.h.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "kernel/context.h"
#include "kernel/storage.h"

struct tsim_s;
struct jobq_s;
struct proxy_s;
struct job_s;

// Proxy states.
enum : int32_t {
    PROXY_UNQUEUED = -1, // not queued since its last reset
    PROXY_READY = 0,     // in a ready queue
    PROXY_BLOCKED = 2,   // in a wait queue
    PROXY_TERMINATED = 3,
};

// A service function runs on the dispatcher's stack: (this proxy, its argument, the proxy that
// was active before, the tick). It returns a proxy to switch to, or none.
typedef proxy_s *(*proxy_service_fn)(proxy_s *self, void *argument, proxy_s *previous, uint64_t tick);

// A queue of proxies: ready queues, wait queues of every kernel object, pools.
struct jobq_s {
    uint64_t tick;      // for a ready queue: the tick it serves
    int32_t keep_order; // the owner orders the queue itself; priority changes do not move entries
    const char *name;
    proxy_s *first;     // served first
    proxy_s *last;      // served last
    jobq_s *next;       // next ready queue of the ready list (or next free record)
};

// One queue entry: a job's own proxy, an extra proxy of a job, or a service proxy.
struct proxy_s {
    int32_t is_job;
    int32_t priority;
    jobq_s *queue;      // holding queue, none when unqueued
    proxy_s *behind;    // served next after this one
    proxy_s *ahead;     // served just before this one
    uint64_t tick;      // wake tick
    int32_t is_service;
    int32_t in_use;     // placed in a queue or claimed by a wait
    proxy_service_fn service;
    void *argument;
    void *owner;        // owner of a service proxy (a gate or port)
    proxy_s *next_proxy; // next proxy of the same job
    int32_t state;      // PROXY_*
    uint32_t wait_key;  // key of a priority-ordered wait queue
    job_s *interrupted; // job running when this service proxy was dispatched
    job_s *job;         // owning job; none for a service proxy
    uint64_t wake_value;
    tsim_s *tsim;
};

// The counter: jobs wait until its value is zero or below (operations in kernel/counter.h).
// Its first three words let a wait set (kernel/waitset.h) wait on it among other objects: the
// add function queues a wait entry of the job carrying the value, or returns &waiter_ready_proxy
// when the object needs no wait now.
struct counter_s;
typedef proxy_s *(*counter_waiter_add_fn)(void *object, job_s *job, uint64_t value);
typedef void (*counter_waiter_remove_fn)(void *object, proxy_s *proxy);
extern proxy_s waiter_ready_proxy;
struct counter_s {
    counter_waiter_add_fn waiter_add;
    counter_waiter_remove_fn waiter_remove;
    void *object;
    tsim_s *tsim;
    int32_t value;
    char *name;
    jobq_s queue; // "counter queue"
};

typedef void (*job_entry_fn)(void *argument);

// A job: a coroutine with its own stack. Begins with its own proxy, so a job and its own
// proxy are the same object.
struct job_s {
    proxy_s proxy;
    proxy_s *proxies;          // every proxy of the job; the own proxy is always last
    tsim_s *tsim;
    job_s *dynamic_next;       // also chains free job records
    job_s *dynamic_prev;
    job_s *static_next;
    job_s *static_prev;
    char *name;
    job_entry_fn entry;
    void *argument;
    int32_t number;
    uint32_t stack_size;       // bytes, including the guard page
    counter_s *completion;     // counted up at creation, down at the end
    char *stack;               // lowest address of the mapped stack (the guard page)
    uintptr_t user_word[2];    // copied from the creating job
    module_table_s modules;
    counter_s counter;         // "internal counter": the job's own wake and freeze counter
    int32_t chunky;            // set by the execution engine while running chunks
    int32_t detached;          // freed by the kernel after it ends
    int32_t base_priority;
    int32_t on_dynamic_list;
    int32_t on_static_list;
    void *port_message;        // current port message
    uint32_t guarded_pages;    // 0 unless the stack is guarded page by page
    void *saved_frame;         // frame address at the last switch away
    tsim_context_t context;
    int32_t reinitialize;
    uint64_t reinitialize_tick;
    // Debug output of the job (read by sim_do_debug).
    const char *debug_prefix;  // put in front of every debug format, or none
    char color;                // colour letter, 0 for none
    int32_t debug_off;         // no debug output at all
};

// Free-stack list entry; lives in the page above a free stack's guard page.
struct tsim_free_stack_s {
    tsim_free_stack_s *next;
    uint32_t size;
};

enum { TSIM_FREE_STACK_LISTS = 32, TSIM_DEFAULT_STACK_SIZE = 0x10000 };

typedef void (*tsim_call_fn)(job_s *job, void *a, void *b, void *c, void *d);
typedef void (*tsim_dispatch_controller_fn)(tsim_s *tsim);

// One kernel instance per machine.
struct tsim_s {
    uint64_t now;
    char *name;
    volatile uint32_t *stop;
    uint64_t dispatch_count;
    int32_t running;
    uint64_t total_run_cycles;
    uint64_t run_start;
    uint64_t run_end;
    uint64_t page_size;
    uint64_t page_mask;
    uint32_t page_shift;
    int32_t next_job_number;
    jobq_s *free_queues;
    jobq_s *ready;              // ready list, ascending by tick
    jobq_s empty_services;      // "readyq_empty"
    volatile int32_t async_flag;
    jobq_s async_queue;         // "async jobq pool"
    space_s *space;
    job_s *dynamic_head;
    job_s *dynamic_tail;
    job_s *static_head;
    job_s *static_tail;
    heap_s proxy_pool;
    struct {
        tsim_call_fn fn;
        void *a, *b, *c, *d;
    } pending_call;
    module_table_s modules;
    job_s *deferred_free;
    tsim_free_stack_s *free_stacks[TSIM_FREE_STACK_LISTS];
    job_s *free_jobs;
    int32_t signal_action;
    jobq_s port_jobs;           // "port jobq pool"
    struct {
        uint32_t total_pages;
        uint32_t observed_jobs;
        uint32_t biggest_pages;
        int32_t any_guarded;
        char biggest_name[64];
    } stack_stats;
    tsim_context_t caller_context;
    uint32_t private_stop;      // stop word of a run given none
    int32_t space_owned;        // the record came from the kernel's space (tsim_new)
};

// Process-wide state shared by every kernel.
extern job_s *tsim_active_job;
extern proxy_s *tsim_active_proxy;
extern tsim_s *tsim_last_sim;
extern tsim_dispatch_controller_fn tsim_dispatch_controller;

// The current kernel: the active proxy's, else the most recently created one.
inline tsim_s *tsim_current(void) { return tsim_active_proxy ? tsim_active_proxy->tsim : tsim_last_sim; }
// The current kernel's tick; all ones without a kernel.
inline uint64_t tsim_now(void)
{
    tsim_s *tsim = tsim_current();
    return tsim ? tsim->now : ~uint64_t(0);
}

// Creation and cleanup.
tsim_s *tsim_new(const char *name);
tsim_s *tsim_new_space(const char *name, space_s *space);
int tsim_init(tsim_s *tsim, const char *name);
void tsim_cleanup(tsim_s *tsim);
void tsim_free(tsim_s *tsim);

// Running.
void tsim_run(tsim_s *tsim, volatile uint32_t *stop);
void tsim_dispatch(tsim_s *tsim);
void current_call(tsim_call_fn fn, void *a, void *b, void *c, void *d);
uint64_t get_tsim_running_time(tsim_s *tsim);
void tsim_dump_stats(tsim_s *tsim);
uint64_t tsim_dispatch_version(tsim_s *tsim);

// Queues and scheduling.
void jobq_init(jobq_s *queue, const char *name, int keep_order);
proxy_s *jobq_pop(jobq_s *queue);
void jobq_push(jobq_s *queue, proxy_s *proxy);
void jobq_insert_me_before(jobq_s *queue, proxy_s *proxy, proxy_s *other);
void jobq_insert_me_after(jobq_s *queue, proxy_s *proxy, proxy_s *other);
int jobq_count(jobq_s *queue);
// Removes a proxy from whatever queue holds it.
void proxy_unlink(proxy_s *proxy);
// Initialises a service proxy of a kernel.
void proxy_init_service(proxy_s *proxy, tsim_s *tsim, proxy_service_fn service, void *argument, void *owner,
                        int priority);

void tsim_schedule(proxy_s *proxy);
// Places a proxy into the ready queue of its tick (raised to now) behind every entry of equal
// or higher priority.
void readyq_insert_by_priority(tsim_s *tsim, proxy_s *proxy);
jobq_s *get_rq_for_tick(tsim_s *tsim, uint64_t tick);
jobq_s *advance_next_readyq(tsim_s *tsim);
jobq_s *peek_next_readyq(tsim_s *tsim);
jobq_s *peek_next_readyq_after(jobq_s *queue);
proxy_s *peek_next_proxy(tsim_s *tsim);
uint64_t ticks_until_next_event(void);
// Adds a service run once when nothing is ready.
void job_emptyq_add_service(tsim_s *tsim, proxy_s *service);
// Withdraws every proxy of a job from every queue; the own proxy takes the tick and wake value
// of cause (the proxy that caused the withdrawal).
void job_withdraw_proxies(job_s *job, proxy_s *cause);

// Inert operations kept for callers of a multi-kernel interface.
void tsim_hold_stop(tsim_s *tsim);
void tsim_release_stop(tsim_s *tsim);
void tsim_request_exclusive(tsim_s *tsim);
void tsim_leave_exclusive(tsim_s *tsim);
void tsim_request_all_exclusive(tsim_s *tsim);
void tsim_leave_all_exclusive(tsim_s *tsim);
void tsim_check_exclusive(tsim_s *tsim);
void tsim_set_total_num(int count);
void tsim_set_expect_num(int count);
int tsim_get_total_num(void);
uint64_t tsim_min_next_tick(void);
int tsim_can_switch_to(tsim_s *tsim);

// Per-module data of a kernel and of a job.
inline void *tsim_module_data(tsim_s *tsim, module_s *module)
{
    void *entry = module_table_lookup(&tsim->modules, module);
    return entry ? entry : tsim_module_data_slow(tsim, module);
}
inline void *job_module_data(job_s *job, module_s *module)
{
    void *entry = module_table_lookup(&job->modules, module);
    return entry ? entry : job_module_data_slow(job, module);
}

// Reports, tagged "jobs": a plain print; "ERROR : ", the text and "\n" as three plain prints
// (the operation then fails softly); a fatal error that stops the simulation.
void tsim_print(const char *format, ...) __attribute__((format(printf, 1, 2)));
void tsim_error(const char *format, ...) __attribute__((format(printf, 1, 2)));
void tsim_fatal(const char *format, ...) __attribute__((format(printf, 1, 2)));
