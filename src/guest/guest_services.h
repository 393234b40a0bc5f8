// What machine creation and teardown use of the paravirtual devices: the network, socket and 9P
// devices (guest/bogus_net.h, guest/bogus_socket.h, guest/bogus_9p.h).
#pragma once

struct GenericMachine;

// Clear the machine's paravirtual network and socket device lists and their service jobs.
void BogusNetSetup(GenericMachine *machine);
void BogusSocketSetup(GenericMachine *machine);
// Free the paravirtual network, socket and 9P devices.
void BogusNetCleanup(GenericMachine *machine);
void BogusSocketCleanup(GenericMachine *machine);
void Bogus9pCleanup(void);
