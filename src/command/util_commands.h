// The "Util" table of the thread-level set: effective-to-physical translation of data and
// instruction addresses (with the page's storage attributes), disassembly of an instruction word,
// and executing one instruction word on the selected thread. build_UtilCmd_table and the
// thread-level itranslate/dtranslate are declared in command/later_tables.h.
#pragma once

struct Selector;
struct Tcl_Interp;
struct ThreadState;

// Translates words[1] (size words[2], default 1) on the thread, as a data access (data 1) or an
// instruction fetch (data 0), without side effects or interrupts; prints the physical address.
int UTIL_AddrTransCmd(ThreadState *thread, Tcl_Interp *interpreter, int argc, char **argv, int data);
// The same translation, printing the page's WIMG attributes.
int UTIL_AddrTransWIMG_Cmd(ThreadState *thread, Tcl_Interp *interpreter, int argc, char **argv, int data);

int UTIL_dTransCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int UTIL_iTransCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int UTIL_dTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int UTIL_iTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PPC_DisasmCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PPC_StuffCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
// "emat reset": throws away the thread's effective-address maps.
int EMAT_Set_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
