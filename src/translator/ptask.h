// A task of the parallel mode (ptask_s): one hardware thread's call of pturbo_go, run as a coroutine
// on a stack of its own by whichever host thread serves it.
#pragma once

#include <cstdint>

#include "kernel/context.h"

struct ThreadState;
struct job_s;

struct ptask_s {
    ptask_s *next;             // list link
    ThreadState *thread;       // the thread it runs
    uint64_t start_tick;       // the kernel's tick when the task was made
    uint64_t start_cycle;      // start tick in cycles, rounded up
    uint64_t run_to_tick;      // run-to tick of its latest service
    uint64_t max_run_to_tick;  // the largest run-to tick it was served with
    uint32_t instructions;     // done in its latest service
    job_s *job;                // the thread's kernel job, rescheduled when the task finishes
    int32_t stop;              // a stop was requested for the task
    void *handler;             // fault handler installed while it runs
    tsim_context_t context;    // its saved context
    tsim_context_t first;      // the context as first made, from which a reused task restarts
    uint64_t key, key_copy;    // time-sync queue order
    int32_t stack_made;        // its stack exists
    void *stack;               // stack base
    int32_t stack_constant;    // 1 once the stack is made
    uint64_t smt_delay_factor; // the thread's delay factor at service start
    uint64_t service_start;    // host time-stamp counter at service start
    uint64_t service_end;      // and at service end
};
