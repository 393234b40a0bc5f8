// Clock-grid admission shared by gates and ports: the synchronisation block, which moves
// admissions onto the ticks first + k * period of a clock, and the per-job head service, a
// service proxy that admits a queue's first waiter at a grid tick from the dispatcher's stack.
#pragma once

#include <cstdint>

#include "kernel/tsim.h"

struct time_domain;

struct tsim_sync_s {
    int32_t synchronous;
    uint64_t first;     // first grid tick (ticks)
    int64_t period;     // grid period in cycles of the clock
    time_domain *clock; // converts cycles to ticks; none means one tick per cycle
};

// Not synchronous.
void sync_init(tsim_sync_s *block);
// Synchronous when first or period is non-zero (first is given in cycles of the clock); both
// zero clear the block.
void set_synchronous(tsim_sync_s *block, time_domain *clock, uint64_t first, int64_t period);
// The first grid tick at or after the tick.
uint64_t sync_next_tick(const tsim_sync_s *block, uint64_t tick);

// Admits on behalf of the first waiter (taking its place in the object); 1 when admitted.
typedef int (*head_admit_fn)(void *object);
// Places the head service of the queue's first waiter into the ready queue of the next grid
// tick (left alone when it is already queued there for this queue). When dispatched it
// checks that the waiter is still first and that admit agrees, then pops the waiter and the
// dispatcher switches to it.
void head_service_arm(tsim_s *tsim, jobq_s *queue, const tsim_sync_s *block, head_admit_fn admit, void *object);
