// Processor identity operations the register accessors use.
#pragma once

#include <cstdint>

struct ProcessorState;

// Stores the PVR (written); a value naming another known chip version switches the core to it.
void RAW_SET_PVR(ProcessorState *core, uint32_t value);
