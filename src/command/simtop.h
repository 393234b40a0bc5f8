// The machine's top command table "simtop": the run commands ("go", "cycle", "to_cycle", "tick"),
// "quit"/"exit", "mode", the machine-level "display" table, the unit tables and the chip,
// processor and thread vocabularies hung on it.
#pragma once

#include "machine/hooks/command_hooks.h"

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// build_simtopCmd_table: machine/hooks/command_hooks.h (called when a machine is made).
// The machine's "display" table.
SimCmdTable *build_DisplayCmd_table_limited(void *argument);

// Handlers (plain command handlers; the selector names the machine).
int GoCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int CycleCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int ToCycleCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int TickCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Quit_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int ModeChangeCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Display_machine_cycles(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Display_ins_count(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int Display_features(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int MemMap_DisplayMemoryMapCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_memsizeCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_MCMsConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_ModeChangeCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
