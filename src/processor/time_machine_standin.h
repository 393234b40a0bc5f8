// The machine whose time stamps printed messages carry.
#pragma once

struct GenericMachine;

// Sets the machine used for the time stamps of printed messages (null: none).
void Set_Time_Machine(GenericMachine *machine);
