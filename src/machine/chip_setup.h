// Chip set-up services: the chip of a machine-wide core number, the population of a chip's memory
// map with its processor interrupt path (the "Processor" hook, the interrupt presentation
// controller) and its bus devices, and the memory bus's creation, teardown, devices and defaults.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MBUS;
struct MCM;
struct PropertyList;

// The chip that holds global core n and the core's index within it (*local). A core beyond every
// chip's count goes to the last chip, whose count grows to hold it. No chip is a fatal internal
// error.
MCM *Assign_MCM(GenericMachine *machine, int32_t n, int32_t *local);
// The chip's "Processor" hook, its controller "PPCIC_%d" (unless NO_PPCIC), then the bus's devices.
void MCM_Memory_Map_Populate(MCM *chip, PropertyList *list);

// The chip memory bus (memory/memory_bus.h).
MBUS *MBUS__Init(MCM *chip, const char *name);
void MBUS__Quit(MBUS *bus);
// Places the ROM (unless NO_ROM) and the "RAM" window (unless standalone or NO_RAM), then fixes.
void MBUS_Memory_Map_Populate(MBUS *bus, PropertyList *list);
int MBUS_Fix(MBUS *bus);
// Quits the bus's console when one is set.
void MBUS_Memory_Map_Quit(MBUS *bus);
// The memory defaults, then the coprocessor ("COP") and ROM ("ROM") defaults.
void MBUS_Add_Default_Values(PropertyList *list, const char *section);
