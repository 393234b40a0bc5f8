// Arbiters and periodic loops. An arbiter collects requests in numbered destination slots and
// runs its arbitration job whenever a slot is occupied. A loop is a job that calls a function
// every period ticks and can be re-timed at any moment.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/tsim.h"

struct arbiter_s;
typedef void (*arbiter_fn)(arbiter_s *arbiter, void *user_data);

struct arbiter_slot_s {
    int32_t occupied;
    void *item; // the slot's item area
};

struct arbiter_s {
    tsim_s *tsim;
    arbiter_fn fn;
    int32_t slots;
    void *user_data;
    int32_t count; // occupied slots
    arbiter_slot_s *slot;
    job_s *job;   // "arbiter"
    jobq_s queue; // "arbiter-queue": the job waits here while no slot is occupied
    void *items;  // one zeroed block, item size x slots
};

arbiter_s *arbiter_new(tsim_s *tsim, arbiter_fn fn, size_t item_size, int slots, void *user_data);
// 1 on success, 0 when allocation failed (reported).
int arbiter_init(arbiter_s *arbiter, tsim_s *tsim, arbiter_fn fn, size_t item_size, int slots,
                 void *user_data);
void arbiter_cleanup(arbiter_s *arbiter);
void arbiter_free(arbiter_s *arbiter);

// Occupies a free slot and wakes the arbitration job; the slot's item area for the caller to
// fill, or none (index out of range, slot busy).
void *arbiter_send(arbiter_s *arbiter, int index);
// The item area of an occupied slot; none for a free slot or an index out of range.
void *arbiter_index(arbiter_s *arbiter, int index);
void arbiter_delete(arbiter_s *arbiter, int index);
int arbiter_count(arbiter_s *arbiter);

struct loop_s;
typedef void (*loop_fn)(loop_s *loop, void *argument);

// Begins with its own job, initialised in place.
struct loop_s {
    job_s job;       // "loop job"
    uint64_t period; // 0: idle until loop_set
    uint64_t next_tick;
    loop_fn fn;
    void *argument;
    counter_s release; // "loop": set to 0 to re-time the loop
};

loop_s *loop_new(tsim_s *tsim, uint64_t period, loop_fn fn, void *argument);
int loop_init(loop_s *loop, tsim_s *tsim, uint64_t period, loop_fn fn, void *argument);
// The next call is period ticks from now (none while the period is 0).
void loop_set(loop_s *loop, uint64_t period);
void loop_cleanup(loop_s *loop);
void loop_free(loop_s *loop);
