#include "command/command_server.h"

#include <tcl.h>

// STAND-IN: the command server is not built yet; no channel type is created and no server is
// started, even with -s.
int QuarnServer_Init(Tcl_Interp *)
{
    return TCL_OK;
}

// STAND-IN: the command server is not built yet, so no server runs and no machine job serves it.
void QuarnServer_Machine_Init(GenericMachine *) {}
