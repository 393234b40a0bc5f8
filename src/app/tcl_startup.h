// The simulator inside Tcl: the application start-up hook, the simulator initialisation and the
// exit handler with its report.
#pragma once

struct Tcl_Interp;

// Tcl_AppInit (declared by tcl.h) is the start-up hook handed to Tcl_Main.

// Stores the interpreter, prints the start banner, initialises the global data structures and
// sets the Tcl variable "config"; returns the command server's initialisation result.
int Quarn_Init(Tcl_Interp *interpreter);
// Tcl exit handler: quits the machines, fires "QUIT" and runs Quarn_Quit.
void tcl_shutdown(void *unused);
// Releases the global structures and, unless quiet, prints the exit report.
void Quarn_Quit(void);
// Builds the global command tables, registers the top-level commands and builds the
// configurations' "property list" table.
void Init_CommandTables(Tcl_Interp *interpreter);
// Frees the global command tables.
void Quit_CommandTables(void);
