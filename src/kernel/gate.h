// Gates and priority gates. A gate admits at most capacity jobs at a time; jobs that find it
// full wait by priority and a leaving job hands its place straight to the first waiter. A
// priority gate orders its waiters by a key each caller gives (higher keys first).
#pragma once

#include <cstdint>

#include "kernel/sync.h"
#include "kernel/tsim.h"

struct gate_s {
    tsim_s *tsim;
    uint32_t capacity;  // jobs that may be inside now
    uint32_t width;     // configured capacity; the capacity returns to it on the next leave
    uint32_t count;     // jobs inside
    int32_t in_transit; // admitted from the queue (or entered beside such jobs), not yet resumed
    tsim_sync_s sync;
    jobq_s queue; // "gate queue"
};

void gate_init(gate_s *gate, tsim_s *tsim, int capacity);
gate_s *gate_new(tsim_s *tsim, int capacity);
// Drops every waiter without waking it and closes the gate.
void gate_cleanup(gate_s *gate);
void gate_free(gate_s *gate);

// Returns when the running job is inside.
void gate_enter(gate_s *gate);
// 1 when the job entered without waiting, else 0; never waits.
int gate_try(gate_s *gate);
void gate_leave(gate_s *gate);
// gate_enter and gate_leave with their uncontended case inline (a free place, nobody admitted
// and not yet resumed, nobody waiting): a few flag tests on the hot paths that pass a gate on
// every access, such as the stores through a memory map's reservation gate.
inline void gate_enter_inline(gate_s *gate)
{
    if (!gate->sync.synchronous && gate->count < gate->capacity && gate->in_transit == 0) {
        gate->count++;
        return;
    }
    gate_enter(gate);
}
inline void gate_leave_inline(gate_s *gate)
{
    if (!gate->sync.synchronous && gate->count > 0 && gate->count <= gate->capacity &&
        gate->capacity == gate->width && !gate->queue.first) {
        gate->count--;
        return;
    }
    gate_leave(gate);
}
// The capacity follows the new width at the next leave.
void gate_reset_width(gate_s *gate, int width);
// Admissions happen only on the grid first + k * period of the clock (both zero: never again).
void gate_synchronous(gate_s *gate, time_domain *clock, uint64_t first, int64_t period);

struct pgate_s {
    tsim_s *tsim;
    int32_t capacity;
    int32_t count;
    jobq_s queue; // "pgate", ordered by key
};

void pgate_init(pgate_s *pgate, tsim_s *tsim, int capacity);
pgate_s *pgate_new(tsim_s *tsim, int capacity);
// Reports "pgate has waiting jobs" and leaves them waiting.
void pgate_cleanup(pgate_s *pgate);
void pgate_free(pgate_s *pgate);

void pgate_enter(pgate_s *pgate, uint32_t key);
int pgate_try(pgate_s *pgate, uint32_t key);
void pgate_leave(pgate_s *pgate);
