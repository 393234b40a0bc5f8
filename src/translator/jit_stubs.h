// Translator start-up of the shared host code (exit_common, translation routines, string stubs)
// and the fault hook through which host faults inside translated code become exits.
#pragma once

#include <csignal>

#include "kernel/fault.h"

// Generates the shared stubs once (64-bit machine forms with 1); the result of the final mprotect.
int jit_init(int machine64);
// The fault hook turbo_go installs around translated code; non-zero when the fault became an exit.
int turbo_handler(int signal, siginfo_t *information, void *context);
// The hook in force before turbo_go installed its own (per host thread).
extern thread_local tsim_fault_hook_fn old_sig11_handler;
