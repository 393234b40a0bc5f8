// Faults on job stacks and job stack traces.
#include "kernel/fault.h"

int tsim_handlers_installed = 0;

// STAND-IN: the SIGSEGV/SIGFPE handlers (alternate signal stack, guarded stack growth, stack
// overflow and fault reports, the translator's per-thread fault hook) are not built yet. Until
// they are, the handlers stay uninstalled and job stacks are never guarded page by page.
void tsim_install_fault_handlers(void) {}

// STAND-IN: symbolic job stack traces (frame walk, dladdr and ELF symbol lookup) are not built
// yet; callers print their own report without the trace.
void tsim_calling_job_stack_trace(void) {}
