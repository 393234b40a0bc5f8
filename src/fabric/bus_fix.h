// Building the machine's buses from its configuration.
#pragma once

struct GenericMachine;

// Builds every configured bus of the machine.
void Bus_fix(void *unused, GenericMachine *machine);
