// The cycle-level core's notice that an interrupt is being delivered at an address.
#pragma once

#include <cstdint>

struct ThreadState;

void CycleCore_exception_start(ThreadState *thread, uint64_t address);
