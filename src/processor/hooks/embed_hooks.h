// What the embedding interface's entry points below it ask of the embedding interface (embed/, on
// a floor above, which defines it): the machine of a handle.
#pragma once

struct GenericMachine;
struct vLIBSIM_data;

// The embedding handle's machine, created when the handle has none.
GenericMachine *LSD_Machine(vLIBSIM_data *handle);
