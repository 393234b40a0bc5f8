// The cycle-level core's notice that an interrupt is being delivered at an address.
// Declared here for the floors that call it; defined by the cycle-level core
// (core/exception_start_standin.cpp).
#pragma once

#include <cstdint>

struct ThreadState;

void CycleCore_exception_start(ThreadState *thread, uint64_t address);
