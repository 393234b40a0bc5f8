// The command server: one TCP client on the loopback address whose received blocks (at most 1024
// bytes each) are evaluated as Tcl scripts and answered with the result followed by "\nDONE\n".
// Clients are served while Tcl waits for input (the channel "SelectChannel" replaces standard
// input) and during a run (each machine's job "ServerSocket", woken by SIGIO).
#pragma once

#include "machine/hooks/command_hooks.h"

struct Tcl_Interp;

// Starts the server when the -s port is above 0: listens on 127.0.0.1 and makes "SelectChannel"
// Tcl's standard input. Set-up failures leave no server; always TCL_OK.
int QuarnServer_Init(Tcl_Interp *interpreter);
// Accepts a pending client when none is connected; nothing when no connection is pending.
void QuarnServer_Accept(void);
// Evaluates every block the client has sent so far; drops the client when it closed or failed.
void QuarnServer_Serve(void);
// The SIGIO handler: flags every machine's kernel to run its asynchronous jobs.
void QuarnServer_SIGIO(int signal_number);

// Opens the listening socket on 127.0.0.1 at the port (0: any free port) with SIGIO delivery;
// 1 when listening.
int QuarnServer_Listen(int port);
// The port listened on, or -1 without a server.
int QuarnServer_Port(void);
// 1 while a client is connected.
int QuarnServer_Has_Client(void);
// Closes the client and the listening socket.
void QuarnServer_Shutdown(void);

// QuarnServer_Machine_Init: machine/hooks/command_hooks.h (called when a machine is made).
