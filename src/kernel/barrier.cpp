// Barriers, fences and mutex placeholders.
#include "kernel/barrier.h"

#include "kernel/delay.h"
#include "kernel/waitset.h"

void barrier_init(barrier_s *barrier, tsim_s *tsim, int count)
{
    barrier->tsim = tsim;
    barrier->count = count;
    jobq_init(&barrier->queue, "bar queue", 0);
}

barrier_s *barrier_new(tsim_s *tsim, int count)
{
    auto *barrier = static_cast<barrier_s *>(TSIM_GET(tsim, sizeof(barrier_s)));
    if (!barrier) {
        tsim_error("(barrier_new) can't allocate barrier");
        return nullptr;
    }
    barrier_init(barrier, tsim, count);
    return barrier;
}

void barrier_cleanup(barrier_s *barrier)
{
    jobq_drop_all(&barrier->queue);
}

void barrier_free(barrier_s *barrier)
{
    if (!barrier) return;
    barrier_cleanup(barrier);
    tsim_put(barrier->tsim, barrier);
}

int barrier_signal(barrier_s *barrier)
{
    if (barrier->count <= 0) {
        tsim_error("(barrier_signal) bar count is already 0");
        return 0;
    }
    if (--barrier->count > 0) return 0;
    jobq_wake_all(&barrier->queue);
    return 1;
}

void barrier_drop(barrier_s *barrier)
{
    if (barrier->count <= 0) {
        tsim_error("(barrier_drop) bar count is already 0");
        return;
    }
    barrier->count = 0;
    jobq_wake_all(&barrier->queue);
}

void barrier_wait(barrier_s *barrier)
{
    if (barrier->count <= 0) {
        tsim_error("(barrier_signal) bar count is already 0");
        return;
    }
    if (barrier_signal(barrier) || !tsim_active_job) return;
    current_block(&barrier->queue, 0);
}

void fence_init(fence_s *fence, tsim_s *tsim, const char *name)
{
    fence->tsim = tsim;
    fence->name = name ? tsim_keep_string(tsim, name) : nullptr;
    fence->generation = 0;
    jobq_init(&fence->queue, "fence queue", 0);
}

fence_s *fence_new(tsim_s *tsim, const char *name)
{
    auto *fence = static_cast<fence_s *>(TSIM_GET(tsim, sizeof(fence_s)));
    if (!fence) {
        tsim_error("can't allocate fence %s", name ? name : "");
        return nullptr;
    }
    fence_init(fence, tsim, name);
    return fence;
}

void fence_cleanup(fence_s *fence)
{
    if (fence->queue.first) tsim_error("fence has waiting jobs");
    jobq_drop_all(&fence->queue);
    if (fence->name) tsim_free_string(fence->tsim, fence->name);
    fence->name = nullptr;
}

void fence_free(fence_s *fence)
{
    if (!fence) return;
    fence_cleanup(fence);
    tsim_put(fence->tsim, fence);
}

uint64_t fence_get(fence_s *fence)
{
    return fence->generation;
}

void fence_wait(fence_s *fence, uint64_t generation)
{
    if (fence->generation == generation && tsim_active_job) current_block(&fence->queue, 0);
}

void fence_advance(fence_s *fence)
{
    fence->generation++;
    jobq_wake_all(&fence->queue);
}

void mutex_init(mutex_s *mutex, tsim_s *tsim)
{
    mutex->tsim = tsim;
    jobq_init(&mutex->queue, "mutex queue", 0);
}

mutex_s *mutex_new(tsim_s *tsim)
{
    auto *mutex = static_cast<mutex_s *>(TSIM_GET(tsim, sizeof(mutex_s)));
    if (!mutex) {
        tsim_error("can't allocate mutex");
        return nullptr;
    }
    mutex_init(mutex, tsim);
    return mutex;
}

void mutex_cleanup(mutex_s *mutex)
{
    if (mutex->queue.first) tsim_error("mutex has waiting jobs");
    jobq_drop_all(&mutex->queue);
}

void mutex_free(mutex_s *mutex)
{
    if (!mutex) return;
    mutex_cleanup(mutex);
    tsim_put(mutex->tsim, mutex);
}

void mutex_lock(mutex_s *) {}
void mutex_unlock(mutex_s *) {}
