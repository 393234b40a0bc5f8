// Delays, yields and blocking of the running job, and the wait entries through which a job
// waits on one or more things at once (the first to fire wakes it, the others are withdrawn).
#pragma once

#include <cstdint>

#include "kernel/tsim.h"

void current_delay_ticks(uint64_t delay);
void current_delay_to_tick(uint64_t tick);
void current_nice(void);
// Block the running job in a wait queue; return the wake value it was woken with.
uint64_t current_block(jobq_s *queue, uint64_t value);
uint64_t current_pblock(jobq_s *queue, uint64_t value, uint32_t key);

proxy_s *job_waitq_add(job_s *job, jobq_s *queue, int state, uint64_t value);
proxy_s *job_priority_waitq_add(job_s *job, jobq_s *queue, int state, uint64_t value, uint32_t key);
proxy_s *job_readyq_add_timeout(job_s *job, uint64_t tick, int priority, uint64_t value);
