// Clock-grid admission: the synchronisation block and the per-job head service.
#include "kernel/sync.h"

#include "kernel/hooks/domain_ticks.h"

namespace
{

// One per job, created on first use through the job's module data.
struct head_service_s {
    proxy_s proxy;
    head_admit_fn admit;
    void *object;
    jobq_s *queue;
    job_s *job;
};

proxy_s *head_service_run(proxy_s *, void *argument, proxy_s *, uint64_t)
{
    auto *service = static_cast<head_service_s *>(argument);
    jobq_s *queue = service->queue;
    proxy_s *first = queue ? queue->first : nullptr;
    if (!first) return nullptr;
    job_s *job = first->is_job ? reinterpret_cast<job_s *>(first) : first->job;
    if (job != service->job || !service->admit || !service->admit(service->object)) return nullptr;
    jobq_pop(queue);
    return first;
}

void *head_service_init(module_s *, void *owner, void *data)
{
    auto *job = static_cast<job_s *>(owner);
    auto *service = static_cast<head_service_s *>(data);
    if (!service) return nullptr;
    proxy_init_service(&service->proxy, job->tsim, head_service_run, service, job, job->base_priority);
    service->admit = nullptr;
    service->object = nullptr;
    service->queue = nullptr;
    service->job = job;
    return service;
}

void head_service_fini(module_s *, void *, void *entry, void *)
{
    proxy_unlink(&static_cast<head_service_s *>(entry)->proxy);
}

module_s head_service_module = {
    -1, 0, nullptr, nullptr, sizeof(head_service_s), head_service_init, head_service_fini};

inline uint64_t ticks_per_cycle(const tsim_sync_s *block)
{
    return block->clock ? TD_ticks_per_cycle(block->clock) : 1;
}

} // namespace

void sync_init(tsim_sync_s *block)
{
    block->synchronous = 0;
    block->first = 0;
    block->period = 0;
    block->clock = nullptr;
}

void set_synchronous(tsim_sync_s *block, time_domain *clock, uint64_t first, int64_t period)
{
    if (first == 0 && period == 0) {
        sync_init(block);
        return;
    }
    block->synchronous = 1;
    block->clock = clock;
    block->first = first * (clock ? TD_ticks_per_cycle(clock) : 1);
    block->period = period;
}

uint64_t sync_next_tick(const tsim_sync_s *block, uint64_t tick)
{
    if (block->first >= tick) return block->first;
    uint64_t period = (uint64_t)block->period * ticks_per_cycle(block);
    if (period == 0) return tick;
    uint64_t distance = tick - block->first;
    uint64_t steps = distance / period + (distance % period != 0);
    uint64_t next;
    if (__builtin_mul_overflow(steps, period, &next) || __builtin_add_overflow(next, block->first, &next))
        return ~uint64_t(0); // beyond the tick range: never
    return next;
}

void head_service_arm(tsim_s *tsim, jobq_s *queue, const tsim_sync_s *block, head_admit_fn admit,
                      void *object)
{
    proxy_s *first = queue->first;
    if (!first) return;
    job_s *job = first->is_job ? reinterpret_cast<job_s *>(first) : first->job;
    if (!job) return;
    auto *service = static_cast<head_service_s *>(job_module_data(job, &head_service_module));
    if (!service) return;
    uint64_t tick = sync_next_tick(block, tsim->now);
    if (service->proxy.queue && service->proxy.tick == tick && service->queue == queue) return;
    proxy_unlink(&service->proxy);
    service->admit = admit;
    service->object = object;
    service->queue = queue;
    service->proxy.tick = tick;
    service->proxy.priority = first->priority;
    readyq_insert_by_priority(tsim, &service->proxy);
}
