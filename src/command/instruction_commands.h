// Commands that edit and show columns of the instruction tables: throughput ("itimes"),
// internal-operation count ("iops"), operation type, the FX_IN_LSU flag and the fusable attribute.
#pragma once

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// The "modify" forms, on the shared table (id 0).
int itimes_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int iops_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int optype_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int iflags_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int attributes_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
// "display itimes" [mnemonic ...].
int display_itimes_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
// The "instruction" sub-table of "modify": the same edits on the table of a given id.
SimCmdTable *build_instructionCmd_table(void *argument);
