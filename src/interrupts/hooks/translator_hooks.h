// Translator hooks of the interrupt code: stopping a thread's translated-code task when an
// exception is queued for it, and the trace libraries' privilege-mode change.
// Declared here for the floors that call it; defined by the translator
// (translator/pturbo_zap.cpp); trc_mode_change by the trace libraries (trace/trace_lib.cpp).
#pragma once

#include <cstdint>

struct ThreadState;

void pturbo_zap_thread(ThreadState *thread, const char *reason);
void trc_mode_change(uint64_t new_msr, uint64_t return_address, uint64_t new_pc);
