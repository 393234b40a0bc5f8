// A task of the parallel mode (ptask_s): one hardware thread's call of pturbo_go, run as a coroutine
// on a 64 KB stack of its own (lowest page inaccessible) by whichever host thread serves it. Tasks
// are made, taken from and released to a free list and reused with their stacks.
#pragma once

#include <cstdint>

#include "kernel/context.h"

struct ThreadState;
struct job_s;
struct tsim_s;

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

constexpr uint64_t PTASK_STACK_SIZE = 0x10000;

extern "C" {
// The task this host thread runs, and the context of its service loop, to which a task returns.
extern thread_local ptask_s *current_ptask;
extern thread_local tsim_context_t opt_jmpbuf;
}

// What a task runs when it is first resumed (or restarted after reuse); it ends by returning to
// the service loop with -1. The parallel engine runs turbo_go here; tests put their own.
extern void (*ptask_body)(ptask_s *task);

// A new task with its stack (a failed mapping is reported as "ptask_init: stack alloc failed.!" and
// leaves the task without a stack).
ptask_s *ptask_new(tsim_s *tsim);
// A task from the free list (restarted from its first context) or a new one.
ptask_s *ptask_alloc(tsim_s *tsim);
void ptask_release(ptask_s *task);
// Tasks are never freed; kept for the interface.
void ptask_free(ptask_s *task);
// Runs the task on this host thread until it comes back: the code it returns with (1 finished,
// 2 budget used up, 3 waits for time, -1 abandoned). A task without a stack is not run: -1.
int ptask_resume(ptask_s *task);
// Inside a task: returns to the serving host thread's service loop with the code; returns 1 when
// some host thread resumes the task.
int ptask_suspend(ptask_s *task, int code);
