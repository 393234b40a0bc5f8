// The machine whose time stamps printed messages carry.
#pragma once

struct GenericMachine;

// The machine used for the time stamps of printed messages (null: none).
extern GenericMachine *time_machine;
void Set_Time_Machine(GenericMachine *machine);
