// Facilities, storages and servers. A facility is a set of numbered servers with one queue: a
// job entering gets a free server number or waits for one (optionally unlimited servers, and
// admission on a clock grid). A storage is a capacity of units: a job takes units or waits, in
// priority order, until returns cover its request. A server is a single server: enter when idle,
// else wait (optionally with a time-out); leaving hands it to the first waiter.
#pragma once

#include <cstdint>

#include "kernel/sync.h"
#include "kernel/tsim.h"

struct facility_s {
    tsim_s *tsim;
    char *name;
    int32_t servers;      // numbered 0 .. servers - 1 (more while unlimited)
    int32_t busy;         // servers held
    int32_t infinite;     // entering never waits; numbers beyond servers are added
    uint64_t completions; // leaves
    job_s **holders;      // per server number: the job that holds it, or null
    int32_t holder_count; // entries of holders
    tsim_sync_s sync;
    jobq_s queue; // "facility queue"
};

int facility_init(facility_s *facility, tsim_s *tsim, const char *name, int servers);
facility_s *facility_new(tsim_s *tsim, const char *name, int servers);
// Reports "facility %s has blocked jobs" with a listing of them and drops them.
void facility_cleanup(facility_s *facility);
void facility_free(facility_s *facility);

// The server number the running job now holds, waiting (by its priority) while every server is
// busy; -1 when none can be had. facility_wait is the same; facility_wait_priority waits at the
// given priority.
int facility_enter(facility_s *facility);
int facility_wait(facility_s *facility);
int facility_wait_priority(facility_s *facility, int priority);
// Releases the server the running job holds / the numbered server; a waiting job takes it over.
void facility_leave(facility_s *facility);
void facility_leave_server(facility_s *facility, int server);
void facility_set_infinte_servers(facility_s *facility, int flag);
// Admissions happen only on the grid first + k * period of the clock (both zero: not synchronous).
void facility_synchronous(facility_s *facility, time_domain *clock, uint64_t first, int64_t period);
int facility_is_synchronous(facility_s *facility);
int facility_wait_count(facility_s *facility);
int facility_busy_count(facility_s *facility);
int facility_num_servers(facility_s *facility);
uint64_t facility_completions(facility_s *facility);
const char *facility_get_name(facility_s *facility);

struct storage_s {
    tsim_s *tsim;
    int64_t capacity;
    int64_t available;
    tsim_sync_s sync;
    jobq_s queue; // "storage queue"; each entry's wake value is its request
};

void storage_init(storage_s *storage, tsim_s *tsim, int64_t capacity);
storage_s *storage_new(tsim_s *tsim, int64_t capacity);
// Drops the waiting jobs without waking them.
void storage_cleanup(storage_s *storage);
void storage_free(storage_s *storage);
// 1 when n units were taken now (nobody waits before the caller and enough are available), else 0.
int storage_allocate(storage_s *storage, int64_t n);
// Takes n units, waiting in priority order until they are available.
void storage_allocate_wait(storage_s *storage, int64_t n);
void storage_allocate_wait_priority(storage_s *storage, int64_t n, int priority);
// Returns n units; waiting jobs are served from the front while their requests are covered.
void storage_deallocate(storage_s *storage, int64_t n);
int64_t storage_available(storage_s *storage);
int storage_wait_count(storage_s *storage);
int64_t storage_get_capacity(storage_s *storage);
void storage_synchronous(storage_s *storage, time_domain *clock, uint64_t first, int64_t period);

struct server_s {
    tsim_s *tsim;
    int32_t busy;
    job_s *holder;
    jobq_s queue; // "server queue"
};

void server_init(server_s *server, tsim_s *tsim);
server_s *server_new(tsim_s *tsim);
// Reports "server has blocked jobs" and drops them.
void server_cleanup(server_s *server);
void server_free(server_s *server);
void server_enter(server_s *server);
// 1 when the job holds the server, 0 after the time-out.
int server_enter_timeout(server_s *server, uint64_t timeout);
int server_enter_timeout_priority(server_s *server, uint64_t timeout, int priority);
int server_try(server_s *server);
void server_leave(server_s *server);
