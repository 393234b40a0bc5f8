// Jobs: creation and first start, stacks (mapped, guarded, recycled by exact size), the
// context switch, ending and freeing, and the operations on another job (explicit wake-ups,
// priority changes, freeze and thaw, reinitialisation).
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/tsim.h"

job_s *job_new(tsim_s *tsim, const char *name, job_entry_fn fn, void *argument);
job_s *job_new_exec(tsim_s *tsim, const char *name, counter_s *counter, job_entry_fn fn, void *argument);
job_s *job_new_stack(tsim_s *tsim, const char *name, job_entry_fn fn, void *argument, int64_t stack_size);
int job_init_exec(job_s *job, tsim_s *tsim, const char *name, counter_s *counter, job_entry_fn fn, void *argument);
void job_free(job_s *job);
void job_cleanup(job_s *job);
// Ends the running job (what happens when its entry function returns); nothing outside a job.
void current_done(void);
void job_detach(job_s *job);

int job_number(job_s *job);
int current_job_number(void);
const char *job_name(job_s *job);
int job_get_priority(job_s *job);
counter_s *job_counter(job_s *job);
int job_get(job_s *job);
int job_up(job_s *job);
int job_down(job_s *job);
void job_set(job_s *job, int value);
void job_sync(job_s *job);
int job_wait(job_s *job, uint64_t timeout);

int job_set_priority(job_s *job, int priority);
void job_schedule_to(job_s *job, uint64_t tick);
void job_schedule_at(job_s *job, uint64_t tick);
void job_schedule_delay(job_s *job, uint64_t delay);
void job_set_needs_reinitializing(job_s *job, uint64_t tick);
void job_check_for_reinitialization(void);
void job_queue_check(job_s *job);

// Switches from the running job (or the dispatcher) to a job, or with none back to the caller
// of tsim_run.
void context_switch(tsim_s *tsim, job_s *target);

// Stack memory.
void *tsim_map(tsim_s *tsim, size_t length);
int tsim_protect_none(tsim_s *tsim, void *address, size_t length);
int tsim_protect_RW(tsim_s *tsim, void *address, size_t length);
int tsim_unmap(tsim_s *tsim, void *address, size_t length);
size_t tsim_page_size(void);

// Kernel-internal: ends every job of a kernel at its cleanup and releases the free stacks and
// free job records.
void tsim_release_jobs(tsim_s *tsim);
