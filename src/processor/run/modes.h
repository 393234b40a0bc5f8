// Simulation modes: the mode table and the two operations that change a machine's mode.
#pragma once

#include <cstdint>

#include "runtime/utils.h"

struct GenericMachine;

// {id, name} rows of the modes, in stored order; id 1 has two names ("TURBO" first, "FASTEST"),
// mode 8 none.
extern const IDNamePair modeTypesName[];

// Requests a mode: refused while a switch is under way, nothing for the mode already current or
// already pending; switches at once at time 0, otherwise leaves the switch to the threads'
// rendezvous.
void Mode_Change(GenericMachine *machine, uint32_t mode);
// Switches to the pending mode: switch_mode callbacks, new mode, counters, translation flush and
// the message "!!!!!! Simulator now in %s mode !!!!!!".
void Mode_Switched(GenericMachine *machine);
