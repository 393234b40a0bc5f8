// The simulated machine as the runtime sees it: the current machine and the few facts that
// message headers need.
#pragma once

#include <cstdint>

// STAND-IN: the machine record and its creation are not built yet; only its name is known.
struct GenericMachine;

// The machine made current by the last creation; null while no machine exists.
extern GenericMachine *currentMachine;

// STAND-IN: instructions executed by the machine's threads; 0 until the machine record exists.
uint64_t GenericMachine__InstructionCount(GenericMachine *machine);
// STAND-IN: number of devices of class "Processor" in the machine's device manager; 0 until
// machines own a device manager.
int32_t GenericMachine__ProcessorCount(GenericMachine *machine);
