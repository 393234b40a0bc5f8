// The command server: one TCP client whose input blocks are evaluated as Tcl scripts.
#pragma once

struct Tcl_Interp;

// Creates the "SelectChannel" channel type and starts the server when a port was given.
int QuarnServer_Init(Tcl_Interp *interpreter);

struct GenericMachine;
// Starts the machine's job "ServerSocket" when the command server runs; otherwise nothing.
void QuarnServer_Machine_Init(GenericMachine *machine);
