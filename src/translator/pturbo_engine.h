// The parallel translation mode's engine: pturbo_go wraps a thread's chunk into a task and hands
// control to the event kernel, whose dispatch-controller hook OPTController chooses a common run-to
// tick and runs dispatches in which every host thread serves its tasks (service_ptask runs
// turbo_go on the task's own stack); the harvest charges what the finished tasks did and
// reschedules their jobs. Also the stop requests (pturbo_zap_*), the mode switch and the timing
// forecast of a dispatch.
#pragma once

#include <cstdint>

#include "exec/hooks/engines.h"
#include "interrupts/hooks/translator_hooks.h"
#include "processor/hooks/pturbo_control.h"

struct GenericMachine;
struct ThreadState;
struct ptask_s;
struct tsim_s;

constexpr uint64_t PTURBO_QUANTUM_CYCLES = 80000;
constexpr int32_t PTURBO_MAX_LIMIT = 2147483647;

extern "C" {
// The tick up to which the current dispatch runs, and its value when the dispatch began.
extern uint64_t run_to_tick;
extern uint64_t orig_run_to_tick;
// 1 while a dispatch runs on the host threads.
extern volatile int32_t pturbo_execution_mode;
extern int32_t pturbo_max_limit;
// The thread of the task this host thread runs; null between tasks.
extern thread_local ThreadState *pturbo_executing_T;
}

// The kernel's dispatch-controller hook while the mode is active.
void OPTController(tsim_s *tsim);
// One dispatch on the simulating thread: releases the workers, serves stop requests and its own
// tasks, waits for the workers, accounts and harvests. A nested call returns at once.
void release_OPTthreadsx(void);
// Serves one task on the calling host thread (pturbo_serve of the hand-over).
void service_ptask(ptask_s *task);
// The body of every task: turbo_go for the thread's budget; it comes back only when turbo_go
// refused the run, and the call is then abandoned.
void do_pturbo_go_internal(ptask_s *task);
// Puts the task on this host thread's finished list and writes back what its run left.
void ptask_finish(ptask_s *task);
// Takes every finished task off every finished list and reschedules its job.
void harvest_finished_ptasks(void);
// The ticks the task consumed, with the end-of-run accounting of its thread.
uint64_t pturbo_going(ptask_s *task);
// Back in the thread's job: the fill request and the trace counter.
void pturbo_gone(ThreadState *thread);
// Serves pending stop requests with a dispatch at once (parking the workers on a quiesce request).
void pturbo_service_zaps(void);
// Requests a stop of the thread's task and serves it at once.
void pturbo_zap_thread_now(ThreadState *thread, const char *reason);
// Sets the stop-all flag (nothing in the system calls it).
void pturbo_zap_all_threads(void);
// The "pturbo" switch-mode callback: leaving mode 2 ends the workers and removes the hook.
void pturbo_switch_mode(void *data, GenericMachine *machine, uint32_t mode);
// The timing forecast of the dispatch just made (debug category 109).
void pturbo_forecast_dispatch(void);

// Per-host-thread work-time statistics (nothing in the system uses them).
void pturbo_pstats_enable(void);
void pturbo_pstats_disable(void);
void pturbo_pstats_reset(void);
void pturbo_pstats_report(void);
void switching_to_work_type(int type);
