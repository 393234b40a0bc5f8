// The default device tree of a machine, built from its configuration and state: root, processors,
// memory, firmware information, RTAS, the simulator's own nodes, the interrupt presentation
// controller, NVRAM and the chosen node; and the program-wide standard-output handle.
#pragma once

#include <cstdint>

struct GenericMachine;
struct OF_DeviceTree;

// The standard-output instance handle offered by /chosen: -1 until the first build (or the setter)
// fixes it for the rest of the program.
extern int32_t OF_stdout_ihandle;
// Sets the handle only while it is still -1.
void Set_stdout_handle(int32_t handle);

// Builds the tree; a tree already built is left as it is.
void OF_BuildDeviceTree(OF_DeviceTree *tree, GenericMachine *machine);
