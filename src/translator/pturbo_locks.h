// The locks and counts the host threads of the parallel mode share: the compare-and-swap spin lock,
// thin mutex wrappers, the named global locks ("tlbi", "xlate", "malloc", "global_cs"), the page
// lock that orders load-and-reserve against stores, each host thread's reader count and the memory
// map's writer count. (The spin lock and the allocation lock are declared in
// processor/hooks/pturbo_locks.h, the TLB-invalidation lock in isa/hooks/translator_tlbi.h, the
// translation lock in mmu/hooks/translator_xlate.h.)
#pragma once

#include <pthread.h>

#include <cstdint>

#include "processor/hooks/pturbo_locks.h"

struct ThreadState;
struct frame_s;

constexpr int PTURBO_MAX_HOST_THREADS = 64;

extern "C" {
// Host threads in use (workers + the simulating thread).
extern int32_t total_pturbo_threads;
// This host thread's id (0 the simulating thread) and its reader count: non-zero while it has a
// guest store in flight.
extern thread_local int32_t pturbo_thread_id;
extern thread_local volatile int32_t reservations_reader_count;
// Every host thread's reader count by id; each host thread fills its own entry.
extern volatile int32_t *reservations_reader_count_ptr[PTURBO_MAX_HOST_THREADS];
}

// 1 when the lock was taken, else 0.
int pturbo_spin_try(pturbo_lock_s *lock);

int pturbo_mutex_init(pthread_mutex_t *mutex);
int pturbo_mutex_lock(pthread_mutex_t *mutex);
int pturbo_mutex_try(pthread_mutex_t *mutex);
int pturbo_mutex_unlock(pthread_mutex_t *mutex);
int pturbo_mutex_destroy(pthread_mutex_t *mutex);

// Fills this host thread's id and its entry of reservations_reader_count_ptr.
void pturbo_host_thread_start(int32_t id);

// The page lock of a load-and-reserve: recorded in turbo.pturbo_page_lock and taken (a page lock the
// thread still holds is released first) / released and the record cleared.
void pturbo_acquire_reservation_lock(ThreadState *thread, frame_s *frame);
void pturbo_release_reservation_lock(ThreadState *thread);
// Raises / lowers the memory map's writer count once for the thread (turbo.pturbo_writer).
void incr_writer_count(ThreadState *thread);
void decr_writer_count(ThreadState *thread);
// Waits (spinning) until no host thread has a guest store in flight.
void pturbo_wait_for_readers(void);
// The lock of the memory maps' reservation lists in parallel mode: the page locks order a
// load-and-reserve against stores of its page, but reservations of different pages share one list.
// Innermost: nothing else is taken while it is held.
void pturbo_acquire_reservation_list_lock(void);
void pturbo_release_reservation_list_lock(void);

// A rendezvous record; nothing in the system uses one beyond making it.
struct pt_rendezvous_s {
    pturbo_lock_s lock;
    volatile int32_t arrived;
    volatile int32_t departed;
};
void pt_rendezvous_init(pt_rendezvous_s *rendezvous);
