// Gates and priority gates.
#include "kernel/gate.h"

#include "kernel/delay.h"

// ---------------------------------------------------------------------------------------------
// Gates

namespace {

// Admission by the head service of a clocked gate.
int gate_admit(void *object)
{
    auto *gate = static_cast<gate_s *>(object);
    if (gate->count >= gate->capacity) return 0;
    gate->count++;
    gate->in_transit++;
    return 1;
}

// Arms the head service for the next grid tick when a place may be free by then.
void gate_sync_arm(gate_s *gate)
{
    tsim_s *tsim = gate->tsim;
    if (sync_next_tick(&gate->sync, tsim->now) == tsim->now || gate->count < gate->capacity)
        head_service_arm(tsim, &gate->queue, &gate->sync, gate_admit, gate);
}

void gate_enter_synchronous(gate_s *gate)
{
    job_s *job = tsim_active_job;
    if (!job) return;
    job_waitq_add(job, &gate->queue, PROXY_BLOCKED, 0);
    gate_sync_arm(gate);
    tsim_dispatch(job->tsim);
    gate->in_transit--;
    gate_sync_arm(gate);
}

// Drops the waiters of a queue without waking them.
void drop_waiters(jobq_s *queue)
{
    while (proxy_s *proxy = jobq_pop(queue)) {
        proxy->state = PROXY_UNQUEUED;
        proxy->in_use = 0;
    }
}

} // namespace

void gate_init(gate_s *gate, tsim_s *tsim, int capacity)
{
    gate->tsim = tsim;
    gate->capacity = (uint32_t)capacity;
    gate->width = (uint32_t)capacity;
    gate->count = 0;
    gate->in_transit = 0;
    sync_init(&gate->sync);
    jobq_init(&gate->queue, "gate queue", 0);
}

gate_s *gate_new(tsim_s *tsim, int capacity)
{
    auto *gate = static_cast<gate_s *>(TSIM_GET(tsim, sizeof(gate_s)));
    if (!gate) {
        tsim_error("can't allocate gate");
        return nullptr;
    }
    gate_init(gate, tsim, capacity);
    return gate;
}

void gate_cleanup(gate_s *gate)
{
    drop_waiters(&gate->queue);
    gate->capacity = 0;
}

void gate_free(gate_s *gate)
{
    if (!gate) return;
    gate_cleanup(gate);
    tsim_put(gate->tsim, gate);
}

void gate_enter(gate_s *gate)
{
    if (gate->sync.synchronous) {
        gate_enter_synchronous(gate);
        return;
    }
    if (gate->count < gate->capacity) {
        gate->count++;
        if (gate->in_transit == 0) return;
        // Jobs admitted earlier have not run yet: they go first.
        gate->in_transit++;
        current_nice();
        gate->in_transit--;
        return;
    }
    if (!tsim_active_job) return; // nobody to wait
    current_block(&gate->queue, 0);
    // Admitted by a leave, which handed its place over.
    gate->in_transit--;
}

int gate_try(gate_s *gate)
{
    if (gate->sync.synchronous || gate->count >= gate->capacity || gate->in_transit) return 0;
    gate->count++;
    return 1;
}

void gate_leave(gate_s *gate)
{
    if (gate->sync.synchronous) {
        if (gate->count > 0) gate->count--;
        gate->capacity = gate->width;
        gate_sync_arm(gate);
        return;
    }
    if (gate->count <= gate->capacity && gate->capacity == gate->width) {
        if (proxy_s *waiter = jobq_pop(&gate->queue)) {
            gate->in_transit++; // the place passes to the waiter
            tsim_schedule(waiter);
        } else if (gate->count > 0) {
            gate->count--;
        }
        return;
    }
    // The width changed: shrink or widen, then admit while places are free.
    gate->capacity = gate->width;
    if (gate->count > 0) gate->count--;
    while (gate->count < gate->capacity) {
        proxy_s *waiter = jobq_pop(&gate->queue);
        if (!waiter) break;
        gate->in_transit++;
        gate->count++;
        tsim_schedule(waiter);
    }
}

void gate_reset_width(gate_s *gate, int width) { gate->width = (uint32_t)width; }

void gate_synchronous(gate_s *gate, time_domain *clock, uint64_t first, int64_t period)
{
    set_synchronous(&gate->sync, clock, first, period);
}

// ---------------------------------------------------------------------------------------------
// Priority gates

void pgate_init(pgate_s *pgate, tsim_s *tsim, int capacity)
{
    pgate->tsim = tsim;
    pgate->capacity = capacity;
    pgate->count = 0;
    jobq_init(&pgate->queue, "pgate", 1);
}

pgate_s *pgate_new(tsim_s *tsim, int capacity)
{
    auto *pgate = static_cast<pgate_s *>(TSIM_GET(tsim, sizeof(pgate_s)));
    if (!pgate) {
        tsim_error("can't allocate space for pgate");
        return nullptr;
    }
    pgate_init(pgate, tsim, capacity);
    return pgate;
}

void pgate_cleanup(pgate_s *pgate)
{
    if (pgate->queue.first) tsim_error("pgate has waiting jobs");
}

void pgate_free(pgate_s *pgate)
{
    if (!pgate) return;
    pgate_cleanup(pgate);
    drop_waiters(&pgate->queue); // no entry may point into the returned record
    tsim_put(pgate->tsim, pgate);
}

void pgate_enter(pgate_s *pgate, uint32_t key)
{
    if (pgate->count >= pgate->capacity) {
        if (tsim_active_job) current_pblock(&pgate->queue, 0, key); // the place is handed over
        return;
    }
    pgate->count++;
}

int pgate_try(pgate_s *pgate, uint32_t key)
{
    if (pgate->count >= pgate->capacity) return 0;
    pgate_enter(pgate, key);
    return 1;
}

void pgate_leave(pgate_s *pgate)
{
    if (proxy_s *waiter = jobq_pop(&pgate->queue)) {
        tsim_schedule(waiter);
        return;
    }
    if (pgate->count > 0) pgate->count--;
}
