// Facilities, storages and servers.
#include "kernel/facility.h"

#include <cstdio>
#include <cstring>

#include "kernel/delay.h"
#include "kernel/queue_dump.h"
#include "kernel/waitset.h"

namespace
{

inline job_s *job_of(proxy_s *proxy)
{
    return proxy->is_job ? reinterpret_cast<job_s *>(proxy) : proxy->job;
}

// Holder of a server entered outside any job (never dereferenced).
job_s *const NO_JOB = reinterpret_cast<job_s *>(uintptr_t(1));

inline bool has_free_server(const facility_s *f)
{
    return f->busy < f->servers || f->infinite;
}

// Gives the lowest free server number to the job; -1 when there is none.
int take_server(facility_s *f, job_s *job)
{
    for (int i = 0; i < f->holder_count; i++) {
        if (f->holders[i]) continue;
        if (i >= f->servers && !f->infinite) break;
        f->holders[i] = job;
        f->busy++;
        return i;
    }
    if (!f->infinite) return -1;
    int grown = f->holder_count ? f->holder_count * 2 : 4;
    auto **holders = static_cast<job_s **>(TSIM_GET(f->tsim, sizeof(job_s *) * (size_t)grown));
    if (!holders) return -1;
    memset(holders, 0, sizeof(job_s *) * (size_t)grown);
    if (f->holders) {
        memcpy(holders, f->holders, sizeof(job_s *) * (size_t)f->holder_count);
        tsim_put(f->tsim, f->holders);
    }
    int id = f->holder_count;
    f->holders = holders;
    f->holder_count = grown;
    f->holders[id] = job;
    f->busy++;
    return id;
}

int facility_admit(void *object)
{
    auto *f = static_cast<facility_s *>(object);
    proxy_s *first = f->queue.first;
    if (!first || !has_free_server(f)) return 0;
    int id = take_server(f, job_of(first));
    if (id < 0) return 0;
    first->wake_value = (uint64_t)id;
    return 1;
}

void facility_arm(facility_s *f)
{
    tsim_s *tsim = f->tsim;
    if (sync_next_tick(&f->sync, tsim->now) == tsim->now || has_free_server(f))
        head_service_arm(tsim, &f->queue, &f->sync, facility_admit, f);
}

int enter(facility_s *f, int priority)
{
    job_s *job = tsim_active_job;
    if (f->sync.synchronous) {
        if (!job) return -1;
        job_waitq_add_priority(job, &f->queue, ~uint64_t(0), priority);
        facility_arm(f);
        tsim_dispatch(job->tsim);
        facility_arm(f);
        return (int)job->proxy.wake_value;
    }
    if (has_free_server(f)) {
        int id = take_server(f, job ? job : NO_JOB);
        if (id < 0)
            tsim_error("Facility %s entered but no free server id.  Expect previous messages.",
                       f->name ? f->name : "");
        return id;
    }
    if (!job) return -1;
    job_waitq_add_priority(job, &f->queue, ~uint64_t(0), priority);
    tsim_dispatch(job->tsim);
    return (int)job->proxy.wake_value; // the number the leaving job handed over
}

// ---- storage ----

inline bool front_fits(const storage_s *s)
{
    return s->queue.first && (int64_t)s->queue.first->wake_value <= s->available;
}

int storage_admit(void *object)
{
    auto *s = static_cast<storage_s *>(object);
    if (!front_fits(s)) return 0;
    s->available -= (int64_t)s->queue.first->wake_value;
    return 1;
}

void storage_arm(storage_s *s)
{
    tsim_s *tsim = s->tsim;
    if (sync_next_tick(&s->sync, tsim->now) == tsim->now || front_fits(s))
        head_service_arm(tsim, &s->queue, &s->sync, storage_admit, s);
}

void storage_serve(storage_s *s)
{
    while (front_fits(s)) {
        proxy_s *first = jobq_pop(&s->queue);
        s->available -= (int64_t)first->wake_value;
        tsim_schedule(first);
    }
}

void storage_wait(storage_s *s, int64_t n, int priority)
{
    if (n <= 0) return;
    job_s *job = tsim_active_job;
    if (!s->sync.synchronous && storage_allocate(s, n)) return;
    if (!job) return;
    job_waitq_add_priority(job, &s->queue, (uint64_t)n, priority);
    if (s->sync.synchronous) storage_arm(s);
    tsim_dispatch(job->tsim);
    if (s->sync.synchronous) storage_arm(s);
}

} // namespace

// ---- facilities ----

int facility_init(facility_s *f, tsim_s *tsim, const char *name, int servers)
{
    memset(f, 0, sizeof *f);
    f->tsim = tsim;
    f->name = name ? tsim_keep_string(tsim, name) : nullptr;
    f->servers = servers > 0 ? servers : 0;
    sync_init(&f->sync);
    jobq_init(&f->queue, "facility queue", 0);
    if (f->servers) {
        f->holders = static_cast<job_s **>(TSIM_GET(tsim, sizeof(job_s *) * (size_t)f->servers));
        if (!f->holders) return 0;
        memset(f->holders, 0, sizeof(job_s *) * (size_t)f->servers);
        f->holder_count = f->servers;
    }
    return 1;
}

facility_s *facility_new(tsim_s *tsim, const char *name, int servers)
{
    auto *f = static_cast<facility_s *>(TSIM_GET(tsim, sizeof(facility_s)));
    if (!f || !facility_init(f, tsim, name, servers)) {
        tsim_error("can't allocate facility");
        if (f) tsim_put(tsim, f);
        return nullptr;
    }
    return f;
}

void facility_cleanup(facility_s *f)
{
    const char *name = f->name ? f->name : "";
    if (f->queue.first) {
        tsim_error("facility %s has blocked jobs", name);
        char title[256];
        snprintf(title, sizeof title, "  job on facility %s", name);
        jobq_dump(&f->queue, title);
        jobq_drop_all(&f->queue);
    }
    if (f->holders) tsim_put(f->tsim, f->holders);
    f->holders = nullptr;
    f->holder_count = 0;
    if (f->name) tsim_free_string(f->tsim, f->name);
    f->name = nullptr;
}

void facility_free(facility_s *f)
{
    if (!f) return;
    facility_cleanup(f);
    tsim_put(f->tsim, f);
}

int facility_enter(facility_s *f)
{
    return enter(f, current_priority());
}
int facility_wait(facility_s *f)
{
    return enter(f, current_priority());
}
int facility_wait_priority(facility_s *f, int priority)
{
    return enter(f, priority);
}

void facility_leave(facility_s *f)
{
    job_s *job = tsim_active_job;
    for (int i = 0; i < f->holder_count; i++)
        if (f->holders[i] && f->holders[i] == job) {
            facility_leave_server(f, i);
            return;
        }
}

void facility_leave_server(facility_s *f, int server)
{
    if (server < 0 || server >= f->holder_count || !f->holders[server]) return;
    f->completions++;
    if (!f->sync.synchronous) {
        if (proxy_s *waiter = jobq_pop(&f->queue)) {
            // The server passes to the first waiter.
            f->holders[server] = job_of(waiter);
            waiter->wake_value = (uint64_t)server;
            tsim_schedule(waiter);
            return;
        }
    }
    f->holders[server] = nullptr;
    f->busy--;
    if (f->sync.synchronous) facility_arm(f);
}

void facility_set_infinte_servers(facility_s *f, int flag)
{
    f->infinite = flag != 0;
}

void facility_synchronous(facility_s *f, time_domain *clock, uint64_t first, int64_t period)
{
    set_synchronous(&f->sync, clock, first, period);
}

int facility_is_synchronous(facility_s *f)
{
    return f->sync.synchronous;
}
int facility_wait_count(facility_s *f)
{
    return jobq_count(&f->queue);
}
int facility_busy_count(facility_s *f)
{
    return f->busy;
}
int facility_num_servers(facility_s *f)
{
    return f->servers;
}
uint64_t facility_completions(facility_s *f)
{
    return f->completions;
}
const char *facility_get_name(facility_s *f)
{
    return f->name;
}

// ---- storages ----

void storage_init(storage_s *s, tsim_s *tsim, int64_t capacity)
{
    s->tsim = tsim;
    s->capacity = capacity;
    s->available = capacity;
    sync_init(&s->sync);
    jobq_init(&s->queue, "storage queue", 0);
}

storage_s *storage_new(tsim_s *tsim, int64_t capacity)
{
    auto *s = static_cast<storage_s *>(TSIM_GET(tsim, sizeof(storage_s)));
    if (!s) {
        tsim_error("can't allocate storage");
        return nullptr;
    }
    storage_init(s, tsim, capacity);
    return s;
}

void storage_cleanup(storage_s *s)
{
    jobq_drop_all(&s->queue);
}

void storage_free(storage_s *s)
{
    if (!s) return;
    storage_cleanup(s);
    tsim_put(s->tsim, s);
}

int storage_allocate(storage_s *s, int64_t n)
{
    if (s->sync.synchronous || s->queue.first || n > s->available) return 0;
    if (n > 0) s->available -= n;
    return 1;
}

void storage_allocate_wait(storage_s *s, int64_t n)
{
    storage_wait(s, n, current_priority());
}
void storage_allocate_wait_priority(storage_s *s, int64_t n, int priority)
{
    storage_wait(s, n, priority);
}

void storage_deallocate(storage_s *s, int64_t n)
{
    if (n > 0) s->available += n;
    if (s->sync.synchronous)
        storage_arm(s);
    else
        storage_serve(s);
}

int64_t storage_available(storage_s *s)
{
    return s->available;
}
int storage_wait_count(storage_s *s)
{
    return jobq_count(&s->queue);
}
int64_t storage_get_capacity(storage_s *s)
{
    return s->capacity;
}

void storage_synchronous(storage_s *s, time_domain *clock, uint64_t first, int64_t period)
{
    set_synchronous(&s->sync, clock, first, period);
}

// ---- servers ----

void server_init(server_s *server, tsim_s *tsim)
{
    server->tsim = tsim;
    server->busy = 0;
    server->holder = nullptr;
    jobq_init(&server->queue, "server queue", 0);
}

server_s *server_new(tsim_s *tsim)
{
    auto *server = static_cast<server_s *>(TSIM_GET(tsim, sizeof(server_s)));
    if (!server) {
        tsim_error("can't allocate server");
        return nullptr;
    }
    server_init(server, tsim);
    return server;
}

void server_cleanup(server_s *server)
{
    if (server->queue.first) tsim_error("server has blocked jobs");
    jobq_drop_all(&server->queue);
}

void server_free(server_s *server)
{
    if (!server) return;
    server_cleanup(server);
    tsim_put(server->tsim, server);
}

int server_try(server_s *server)
{
    if (server->busy) return 0;
    server->busy = 1;
    server->holder = tsim_active_job;
    return 1;
}

int server_enter_timeout_priority(server_s *server, uint64_t timeout, int priority)
{
    if (server_try(server)) return 1;
    return (int)current_block_timeout(&server->queue, 1, timeout, priority, 0);
}

int server_enter_timeout(server_s *server, uint64_t timeout)
{
    return server_enter_timeout_priority(server, timeout, current_priority());
}

void server_enter(server_s *server)
{
    if (server_try(server) || !tsim_active_job) return;
    current_block(&server->queue, 1); // the leaving job hands the server over
}

void server_leave(server_s *server)
{
    if (proxy_s *waiter = jobq_pop(&server->queue)) {
        server->holder = job_of(waiter);
        tsim_schedule(waiter);
        return;
    }
    server->busy = 0;
    server->holder = nullptr;
}
