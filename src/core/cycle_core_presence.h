// Whether the cycle-level core model exists: the modes that run on it are refused without it.
#pragma once

#include <cstdint>

// 1 when the cycle-level core model can run the threads of the mode; every mode but CYCLE runs
// without it.
int CycleCore_Supports_Mode(uint32_t mode);
