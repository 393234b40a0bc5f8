#include "machine/generic_machine.h"

GenericMachine *currentMachine = nullptr;
int standalone_mode = 0;
int memoryDataless = 0;

// STAND-IN: threads do not count instructions yet, so there is nothing to count.
uint64_t GenericMachine__InstructionCount(GenericMachine *)
{
    return 0;
}

// STAND-IN: machines do not add processors yet.
int32_t GenericMachine__ProcessorCount(GenericMachine *)
{
    return 0;
}
