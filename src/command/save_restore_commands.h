// Saving the architected state of a machine into a directory ("save": the register file
// "registers" and the memory image "memory") and loading it back ("ram"); the three handlers that
// read and write a chip's interrupt presentation controller one value at a time. No table attaches
// them; a host or plug-in builds the tables and attaches them with connect_subtable.
#pragma once

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

SimCmdTable *build_saveCmd_table(void *argument);
SimCmdTable *build_ramCmd_table(void *argument);

// Each takes an optional directory name (default "save") and works on the selector's machine.
int saveRegistersCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int saveMemoryCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int saveBothCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
// A restore checks the whole register file (and the size of the memory image) before it changes
// anything: a truncated or foreign file is refused and the machine keeps its state.
int ramRegistersCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int ramMemoryCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int ramBothCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// The selected chip's interrupt controller: print one value (field, thread, priority, index), store
// one value (field, thread, value text, priority), print a constant (field).
int pic_checkpointCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int pic_restartCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int pic_displayCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
