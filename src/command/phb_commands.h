// The machine's "phb" table: creating chip 0's PCI host bridge and showing its registers.
#pragma once

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

SimCmdTable *build_phb_table(void *argument);
int PHB_cmd_create(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PHB_cmd_display(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
