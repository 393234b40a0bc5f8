// The command server: one TCP client whose input blocks are evaluated as Tcl scripts.
#pragma once

#include "machine/hooks/command_hooks.h"

struct Tcl_Interp;

// Creates the "SelectChannel" channel type and starts the server when a port was given.
int QuarnServer_Init(Tcl_Interp *interpreter);

// QuarnServer_Machine_Init: machine/hooks/command_hooks.h (called when a machine is made).
