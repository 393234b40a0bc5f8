// The parallel mode's locks and the reservation protocol's counts.
#include "translator/pturbo_locks.h"

#include "isa/hooks/translator_tlbi.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "mmu/hooks/translator_xlate.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"
#include "translator/frame.h"

int32_t total_pturbo_threads = 1;
thread_local int32_t pturbo_thread_id = 0;
thread_local volatile int32_t reservations_reader_count = 0;
volatile int32_t *reservations_reader_count_ptr[PTURBO_MAX_HOST_THREADS];

namespace
{

// Each named lock on a 128-byte line of its own, so that spinning on one disturbs no other.
struct alignas(128) NamedLock {
    pturbo_lock_s lock;
};
NamedLock tlbi_lock{{0, "tlbi"}};
NamedLock xlate_lock{{0, "xlate"}};
NamedLock malloc_lock{{0, "malloc"}};
NamedLock reservation_list_lock{{0, "reservation list"}};

inline void spin_pause(void)
{
    __builtin_ia32_pause();
}

} // namespace

// ---- the spin lock ----

void pturbo_spin_lock_init(pturbo_lock_s *lock, const char *name)
{
    if (!lock) return;
    lock->word = 0;
    lock->name = name;
}

void pturbo_spin_lock_destroy(pturbo_lock_s *) {}

void pturbo_spin_lock(pturbo_lock_s *lock)
{
    int32_t expected = 0;
    while (
        !__atomic_compare_exchange_n(&lock->word, &expected, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
        // Wait on plain reads until it looks free; the pause keeps a hyper-threaded sibling going.
        do
            spin_pause();
        while (__atomic_load_n(&lock->word, __ATOMIC_RELAXED) != 0);
        expected = 0;
    }
}

int pturbo_spin_try(pturbo_lock_s *lock)
{
    int32_t expected = 0;
    return __atomic_compare_exchange_n(&lock->word, &expected, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)
               ? 1
               : 0;
}

void pturbo_spin_unlock(pturbo_lock_s *lock)
{
    if (__atomic_load_n(&lock->word, __ATOMIC_RELAXED) == 0) sim_error("Spin unlock already free");
    __atomic_store_n(&lock->word, 0, __ATOMIC_RELEASE);
}

// ---- mutexes ----

int pturbo_mutex_init(pthread_mutex_t *mutex)
{
    return pthread_mutex_init(mutex, nullptr);
}
int pturbo_mutex_lock(pthread_mutex_t *mutex)
{
    return pthread_mutex_lock(mutex);
}
int pturbo_mutex_try(pthread_mutex_t *mutex)
{
    return pthread_mutex_trylock(mutex);
}
int pturbo_mutex_unlock(pthread_mutex_t *mutex)
{
    return pthread_mutex_unlock(mutex);
}
int pturbo_mutex_destroy(pthread_mutex_t *mutex)
{
    return pthread_mutex_destroy(mutex);
}

// ---- the named global locks ----

void pturbo_acquire_tlbi_lock(void)
{
    pturbo_spin_lock(&tlbi_lock.lock);
}
void pturbo_release_tlbi_lock(void)
{
    pturbo_spin_unlock(&tlbi_lock.lock);
}
void pturbo_acquire_xlate_lock(void)
{
    pturbo_spin_lock(&xlate_lock.lock);
}
void pturbo_release_xlate_lock(void)
{
    pturbo_spin_unlock(&xlate_lock.lock);
}
void pturbo_acquire_malloc_lock(void)
{
    pturbo_spin_lock(&malloc_lock.lock);
}
void pturbo_release_malloc_lock(void)
{
    pturbo_spin_unlock(&malloc_lock.lock);
}

// ---- reader and writer counts, the page lock ----

void pturbo_host_thread_start(int32_t id)
{
    if (id < 0 || id >= PTURBO_MAX_HOST_THREADS) return;
    pturbo_thread_id = id;
    reservations_reader_count = 0;
    reservations_reader_count_ptr[id] = &reservations_reader_count;
}

void pturbo_acquire_reservation_lock(ThreadState *thread, frame_s *frame)
{
    turbo_s &turbo = thread->turbo;
    // A second load-and-reserve without a store between them would wait on its own lock.
    if (turbo.pturbo_page_lock) pturbo_release_reservation_lock(thread);
    turbo.pturbo_page_lock = &frame->reservation_lock;
    pturbo_spin_lock(&frame->reservation_lock);
}

void pturbo_release_reservation_lock(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    if (!turbo.pturbo_page_lock) return;
    pturbo_spin_unlock(turbo.pturbo_page_lock);
    turbo.pturbo_page_lock = nullptr;
}

void incr_writer_count(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    if (turbo.pturbo_writer) return;
    if (!turbo.pturbo_writer_count) {
        MemoryMap *memory = thread->mcm && thread->mcm->mbus ? thread->mcm->mbus->memory_map : nullptr;
        if (!memory) return;
        turbo.pturbo_writer_count = &memory->pturbo_writer_count;
    }
    __atomic_add_fetch(turbo.pturbo_writer_count, 1, __ATOMIC_SEQ_CST);
    turbo.pturbo_writer = 1;
}

void decr_writer_count(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    if (!turbo.pturbo_writer || !turbo.pturbo_writer_count) return;
    __atomic_sub_fetch(turbo.pturbo_writer_count, 1, __ATOMIC_SEQ_CST);
    turbo.pturbo_writer = 0;
}

void pturbo_wait_for_readers(void)
{
    for (int32_t i = 0; i < total_pturbo_threads && i < PTURBO_MAX_HOST_THREADS; i++) {
        volatile int32_t *count = reservations_reader_count_ptr[i];
        if (!count) continue;
        while (__atomic_load_n(count, __ATOMIC_ACQUIRE) != 0)
            spin_pause();
    }
}

void pturbo_acquire_reservation_list_lock(void)
{
    pturbo_spin_lock(&reservation_list_lock.lock);
}

void pturbo_release_reservation_list_lock(void)
{
    pturbo_spin_unlock(&reservation_list_lock.lock);
}

void pt_rendezvous_init(pt_rendezvous_s *rendezvous)
{
    pturbo_spin_lock_init(&rendezvous->lock, "rendezvous");
    rendezvous->arrived = 0;
    rendezvous->departed = 0;
}
