// Chip set-up services of the processor unit: the chip of a machine-wide core number, and the
// population of a chip's memory map with its processor interrupt path (the "Processor" hook, the
// interrupt presentation controller) and its bus devices.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;
struct PropertyList;

// The chip that holds global core n and the core's index within it (*local). A core beyond every
// chip's count goes to the last chip, whose count grows to hold it. No chip is a fatal internal
// error.
MCM *Assign_MCM(GenericMachine *machine, int32_t n, int32_t *local);
// The chip's "Processor" hook, its controller "PPCIC_%d" (unless NO_PPCIC), then the bus's devices.
void MCM_Memory_Map_Populate(MCM *chip, PropertyList *list);
