// Faults on job stacks and job stack traces. The kernel owns the process's SIGSEGV and SIGFPE
// handling: it grows guarded job stacks page by page, reports stack overflows and other faults
// with the faulting job's name and a symbolic stack trace, passes faults to a per-thread hook
// (the translator's), and on an unrecoverable fault restores the previous handling and
// re-raises the signal (or traps into an attached debugger).
#pragma once

#include <csignal>
#include <cstdarg>

#include "kernel/tsim.h"

// Set while the kernel's SIGSEGV/SIGFPE handlers are installed; stacks are guarded page by
// page only then, because growing them needs the handler.
extern int tsim_handlers_installed;

// The per-thread fault hook: (signal, information, machine context) → non-zero when it has
// handled the fault (the faulting access is then retried).
typedef int (*tsim_fault_hook_fn)(int signal, siginfo_t *information, void *context);
extern thread_local tsim_fault_hook_fn sig11_handler;

// Installs the fault handlers once per process (called by tsim_new; again after a give-up).
void tsim_install_fault_handlers(void);
// Installs this thread's hook; returns the previous one.
tsim_fault_hook_fn tsim_set_handler(tsim_fault_hook_fn hook);
// Non-zero asks an unrecoverable fault to check for an attached debugger first.
void tsim_set_signal_action(tsim_s *tsim, int action);

// The fault handler itself (on the alternate signal stack).
void segv_handler(int signal, siginfo_t *information, void *context);
void *get_fault_address(siginfo_t *information);
void *get_fault_stack_pointer(void *context);

// Stack traces. The frame lines and the fault location are fatal reports: a trace printed
// during a run ends the run once the current job gives up control.
// The running job's trace (nothing outside a job).
void tsim_calling_job_stack_trace(void);
// A job's trace from its saved frame pointer (the context is not used).
void tsim_job_stack_trace(job_s *job, void *context);
// Every job's trace, or that of the jobs with the number, of the current kernel.
void tsim_jobs_stack_trace(void);
void tsim_jobnum_stack_trace(int number);
// "Segmentation info> BP: %p, SP: %p, IP: %p" of a machine context.
void tsim_fault_print_location(void *context);
// The location, the context's instruction as frame 0 and the walk from its frame pointer.
void tsim_fault_stack_trace(tsim_s *tsim, job_s *job, void *context);
// One frame line: the symbol from the dynamic loader, else from the object's own ELF symbol
// table.
void tsim_print_frame_line(int number, void *address);

// The TracerPid of a /proc/<pid>/status text (0 when absent).
int tsim_tracer_pid(const char *status_text);
// 1 when a debugger traces this process, 0 when none, -1 when the check could not run.
int tsim_debugger_attached(void);

// Fatal reports "Assertion failure in %s line %d:    \n" (or "Assertion failure:\n") and the
// text when the condition is zero.
void current_assert(int condition, const char *file, int line, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
void simple_assert_failure(const char *format, va_list arguments);
