// The MSR write of a thread, with the MSR's side effects.
#pragma once

#include <cstdint>

struct ThreadState;

// Writes the MSR (the value already masked by the caller); return_address and new_pc take part
// in the program-counter bookkeeping of interrupt returns, 0 otherwise.
void _WriteMSR(ThreadState *thread, uint64_t value, uint64_t return_address, uint64_t new_pc,
               const char *file, int line);
