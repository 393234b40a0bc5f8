#include "command/command_server.h"

#include <tcl.h>

// STAND-IN: the command server is not built yet; no channel type is created and no server is
// started, even with -s.
int QuarnServer_Init(Tcl_Interp *)
{
    return TCL_OK;
}
