// The worker host threads of the parallel mode and the hand-over of one dispatch: the simulating
// thread raises the generation counter, every host thread serves its new list (workers spinning,
// never sleeping, between generations), moves its pending list back to its new list and reports
// done. Parking blocks the workers on the park mutex; ending them waits until all have left.
#pragma once

#include <cstdint>

struct ptask_s;

// Serves one task on the calling host thread (the engine's service_ptask); by default it puts the
// task on this host thread's finished list.
extern void (*pturbo_serve)(ptask_s *task);

// The host threads for a worker count (the machine's "pturbo_threads" - 1): at most 64, with the
// general warning "Max pturbo thread number reached!" beyond.
int32_t pturbo_host_threads_for(int32_t workers);
// Makes the workers (ids 1 ...) and waits until all have started; total_pturbo_threads follows.
void pturbo_start_workers(int32_t workers);
// One dispatch on the simulating thread: releases the workers, serves its own new list, moves its
// pending list, waits for every worker. Its steps: raising the generation releases the workers;
// a host thread serves its new list and moves its pending list behind it; the simulating thread
// waits until every worker reported done.
void pturbo_release_workers(void);
void pturbo_release_begin(void);
void pturbo_serve_own_lists(int32_t id);
void pturbo_wait_workers(void);
void pturbo_park_workers(void);
void pturbo_unpark_workers(void);
// Ends the workers (parked or not) and waits until every one has left.
void pturbo_end_workers(void);
