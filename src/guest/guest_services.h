// What machine creation and teardown use of the guest services: the guest process tree, the
// paravirtual network, socket and 9P devices, the Open Firmware state and the halt delay.
#pragma once

#include <cstdint>

struct GenericMachine;
struct ThreadState;

// The machine's guest process tree.
void *PT_Init(GenericMachine *machine);
void PT_Quit(void *tree);
// Clear the machine's paravirtual network and socket device lists and their service jobs.
void BogusNetSetup(GenericMachine *machine);
void BogusSocketSetup(GenericMachine *machine);
// Free the paravirtual network, socket and 9P devices.
void BogusNetCleanup(GenericMachine *machine);
void BogusSocketCleanup(GenericMachine *machine);
void Bogus9pCleanup(void);
// Frees the device tree and the Open Firmware state of the machine.
void OpenFirmware_Quit(GenericMachine *machine);
// 0 when the halt-delay feature is off.
int SimBogusHalt(ThreadState *thread);
