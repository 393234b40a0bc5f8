// The "trc" command table: trace-library control through the embedding interface's LIBSIM__Trc_
// functions. No table of the simulator attaches it; a host or plug-in attaches it itself.
#pragma once

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

SimCmdTable *build_trcCmd_table(void *argument);

int Trc_imix(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Trc_prof(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Trc_on(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Trc_off(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Trc_unload(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Trc_threads(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Trc_load(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Trc_cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
