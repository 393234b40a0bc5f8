// Walking and dumping the kernel's queues and stacks: iterators over a queue's entries, the
// number of waiting entries, and the dumps of queues, entries and stack areas (printed through
// tsim_print).
#pragma once

#include "kernel/gate.h"
#include "kernel/tsim.h"

// Called for each entry in queue order; a non-zero result stops the walk.
typedef int (*jobq_iterator_fn)(proxy_s *proxy, void *argument);
// The entry at which the walk stopped, or null when it went through.
proxy_s *jobq_iterator(jobq_s *queue, jobq_iterator_fn fn, void *argument);
// The same over the jobs waiting at a gate.
proxy_s *gate_waiting_iterator(gate_s *gate, jobq_iterator_fn fn, void *argument);
int jobq_waiting_count(jobq_s *queue);
// Kept for callers of the statistics interface: does nothing.
void stats_dump(void);

// The title with "%s\n", then each entry (proxy_dump).
void jobq_dump(jobq_s *queue, const char *title);
// A job's entry: "   #%d [%s][%s], que = [%s], at = %ldt, stack = %jx, stack_size = 0x%X\n" (number,
// name, state, queue, tick, stack base, stack size); an entry without a job:
// "  JobProxy [%s], que = [%s], at = %ldt\n" (state, queue, tick).
void proxy_dump(proxy_s *proxy);
// "ready", "blocked", "terminated" or "*** unknown ***".
const char *proxy_state_name(int32_t state);
// The 4-byte words from top to bottom, one line each.
void printstack(const char *title, const void *top, const void *bottom);
// Two areas side by side, as far as the shorter one goes.
void printstacks(const char *title1, const void *top1, const void *bottom1, const char *title2,
                 const void *top2, const void *bottom2);
