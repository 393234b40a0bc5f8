// Worker host threads of the parallel mode and the hand-over of a dispatch.
#include "translator/pturbo_workers.h"

#include <pthread.h>

#include "runtime/message.h"
#include "translator/ptask.h"
#include "translator/pturbo_data.h"

namespace
{

void finish_here(ptask_s *task)
{
    ptask_queue_add_tail_safe(&pturbo_data.finished_list[pturbo_thread_id], task);
}

void *worker_main(void *argument)
{
    pturbo_data_s &d = pturbo_data;
    const auto id = (int32_t)(intptr_t)argument;
    pturbo_host_thread_start(id);
    uint64_t awaited = __atomic_load_n(&d.generation, __ATOMIC_ACQUIRE) + 1;
    __atomic_add_fetch(&d.workers_started, 1, __ATOMIC_SEQ_CST);
    for (;;) {
        if (__atomic_load_n(&d.exit_requested, __ATOMIC_ACQUIRE)) {
            reservations_reader_count_ptr[id] = nullptr;
            __atomic_sub_fetch(&d.workers_started, 1, __ATOMIC_SEQ_CST);
            return nullptr;
        }
        if (__atomic_load_n(&d.parked, __ATOMIC_ACQUIRE)) {
            pturbo_mutex_lock(&d.park_mutex);
            pturbo_mutex_unlock(&d.park_mutex);
            continue;
        }
        if (__atomic_load_n(&d.generation, __ATOMIC_ACQUIRE) == awaited) {
            pturbo_serve_own_lists(id);
            __atomic_add_fetch(&d.workers_done, 1, __ATOMIC_SEQ_CST);
            awaited++;
            continue;
        }
        __builtin_ia32_pause();
    }
}

} // namespace

void (*pturbo_serve)(ptask_s *task) = finish_here;

void pturbo_serve_own_lists(int32_t id)
{
    while (ptask_s *task = ptask_queue_remove_head_safe(&pturbo_data.new_list[id]))
        pturbo_serve(task);
    while (ptask_s *task = ptask_queue_remove_head_safe(&pturbo_data.pending_list[id]))
        ptask_queue_add_tail_safe(&pturbo_data.new_list[id], task);
}

int32_t pturbo_host_threads_for(int32_t workers)
{
    if (workers < 0) workers = 0;
    if (workers >= PTURBO_MAX_HOST_THREADS) {
        sim_warning(2, "Max pturbo thread number reached!");
        return PTURBO_MAX_HOST_THREADS;
    }
    return workers + 1;
}

void pturbo_start_workers(int32_t workers)
{
    pturbo_data_s &d = pturbo_data;
    pturbo_data_init_once();
    total_pturbo_threads = pturbo_host_threads_for(workers);
    const int32_t count = total_pturbo_threads - 1;
    d.exit_requested = 0;
    d.parked = 0;
    int32_t made = 0;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setscope(&attributes, PTHREAD_SCOPE_SYSTEM);
    for (int32_t i = 1; i <= count; i++) {
        if (pthread_create(&d.workers[i - 1], &attributes, worker_main, (void *)(intptr_t)i) != 0) {
            sim_error("pturbo: cannot create worker %d", i);
            break;
        }
        made++;
    }
    pthread_attr_destroy(&attributes);
    total_pturbo_threads = made + 1;
    while (__atomic_load_n(&d.workers_started, __ATOMIC_ACQUIRE) != made)
        __builtin_ia32_pause();
    d.started = 1;
}

void pturbo_release_begin(void)
{
    pturbo_data_s &d = pturbo_data;
    __atomic_store_n(&d.workers_done, 0, __ATOMIC_SEQ_CST);
    __atomic_add_fetch(&d.generation, 1, __ATOMIC_SEQ_CST);
}

void pturbo_wait_workers(void)
{
    pturbo_data_s &d = pturbo_data;
    while (__atomic_load_n(&d.workers_done, __ATOMIC_ACQUIRE) !=
           __atomic_load_n(&d.workers_started, __ATOMIC_ACQUIRE))
        __builtin_ia32_pause();
}

void pturbo_release_workers(void)
{
    pturbo_release_begin();
    pturbo_serve_own_lists(0);
    pturbo_wait_workers();
}

void pturbo_park_workers(void)
{
    pturbo_data_s &d = pturbo_data;
    if (d.parked) return;
    pturbo_mutex_lock(&d.park_mutex);
    d.started = 0;
    __atomic_store_n(&d.parked, 1, __ATOMIC_RELEASE);
}

void pturbo_unpark_workers(void)
{
    pturbo_data_s &d = pturbo_data;
    if (!d.parked) return;
    d.started = 1;
    __atomic_store_n(&d.parked, 0, __ATOMIC_RELEASE);
    pturbo_mutex_unlock(&d.park_mutex);
}

void pturbo_end_workers(void)
{
    pturbo_data_s &d = pturbo_data;
    const int32_t count = total_pturbo_threads - 1;
    __atomic_store_n(&d.exit_requested, 1, __ATOMIC_RELEASE);
    if (d.parked) {
        __atomic_store_n(&d.parked, 0, __ATOMIC_RELEASE);
        pturbo_mutex_unlock(&d.park_mutex);
    }
    while (__atomic_load_n(&d.workers_started, __ATOMIC_ACQUIRE) != 0)
        __builtin_ia32_pause();
    for (int32_t i = 0; i < count; i++)
        pthread_join(d.workers[i], nullptr);
    d.started = 0;
    d.exit_requested = 0;
    total_pturbo_threads = 1;
}
