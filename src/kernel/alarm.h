// Wall-clock alarms on the host's alarm timer (SIGALRM, setitimer ITIMER_REAL). Each alarm has a
// job that waits in its kernel's asynchronous queue; the signal handler only marks the alarm as
// fired and raises the kernel's asynchronous flag, so the job runs at the kernel's next dispatch
// (a kernel with nothing to run does not dispatch). At each expiry the job sets the alarm's
// "timer counter" to 0 (waking the jobs that wait on it) and back to 1, then calls the alarm's
// function. One process-wide timer serves every alarm; the first alarm installs the handler.
#pragma once

#include <csignal>
#include <cstdint>

#include "kernel/tsim.h"

struct alarm_s;
typedef void (*alarm_fn)(alarm_s *alarm, void *argument);

struct alarm_s {
    tsim_s *tsim;
    alarm_fn fn; // may be null
    void *argument;
    uint64_t interval_us;          // wall-clock microseconds
    int32_t periodic;              // rearmed after each expiry, else it fires once
    volatile sig_atomic_t fired;   // set by the signal handler
    volatile uint64_t deadline_us; // monotonic microseconds; all ones when not armed
    volatile sig_atomic_t active;
    job_s *job;
    counter_s timer; // "timer counter"
    alarm_s *next;   // the process-wide list of armed alarms
    int32_t *freed;  // set while the function runs: raised when the function frees the alarm
};

// Arms an alarm after microseconds (at least 1); 0 when its job cannot be created.
int alarm_init(alarm_s *alarm, tsim_s *tsim, uint64_t microseconds, int periodic, alarm_fn fn,
               void *argument);
alarm_s *alarm_new(tsim_s *tsim, uint64_t microseconds, int periodic, alarm_fn fn, void *argument);
// Disarms the alarm and frees its job and counter (also from the alarm's own function).
void alarm_cleanup(alarm_s *alarm);
void alarm_free(alarm_s *alarm);
// Disarms every alarm of a kernel (at the kernel's cleanup, which ends their jobs).
void alarm_cancel_for_tsim(tsim_s *tsim);
// Installs the SIGALRM handler once, on an alternate signal stack: the thread's own when it has one
// (the kernel's fault stack), else a 0x4000-byte stack of its own. 1 when installed.
int sigs_register(void);
