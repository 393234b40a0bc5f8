#include "machine/generic_machine.h"

GenericMachine *currentMachine = nullptr;
int standalone_mode = 0;

// STAND-IN: no machine record yet, so there is nothing to count.
uint64_t GenericMachine__InstructionCount(GenericMachine *)
{
    return 0;
}

// STAND-IN: machines have no device manager yet.
int32_t GenericMachine__ProcessorCount(GenericMachine *)
{
    return 0;
}
