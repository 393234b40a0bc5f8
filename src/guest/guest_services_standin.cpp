#include "guest/guest_services.h"

// STAND-IN: the paravirtual network device is not built yet; there is no list to clear.
void BogusNetSetup(GenericMachine *) {}

// STAND-IN: the paravirtual socket device is not built yet; there is no list to clear.
void BogusSocketSetup(GenericMachine *) {}

// STAND-IN: see BogusNetSetup; nothing to free.
void BogusNetCleanup(GenericMachine *) {}

// STAND-IN: see BogusSocketSetup; nothing to free.
void BogusSocketCleanup(GenericMachine *) {}

// STAND-IN: 9P file sharing is not built yet; nothing to free.
void Bogus9pCleanup(void) {}
