// Faults on job stacks and job stack traces.
#pragma once

#include "kernel/tsim.h"

// Set while the kernel's SIGSEGV/SIGFPE handlers are installed; stacks are guarded page by
// page only then, because growing them needs the handler.
extern int tsim_handlers_installed;

// Installs the fault handlers once per process (called by tsim_new).
void tsim_install_fault_handlers(void);
// Prints the running job's stack trace (nothing outside a job).
void tsim_calling_job_stack_trace(void);
