// A chip's command table "mcm": its display table about the chip's threads, and the chip-level
// vocabulary (consoles, triggers, device tree, the processor and thread set, paravirtual devices,
// halt) that the machine's top table shares.
#pragma once

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// Made for every chip when it is set up; freed with Quit_SimCmdTable.
SimCmdTable *build_mcm_Cmd_table(void *data);
SimCmdTable *build_mcm_DisplayCmd_table_limited(void *data);

// Per thread of the machine (of the chip at chip level): "{ name ppc number %s state %s } ",
// " PPC%s " for all, running and stalled threads.
int Display_tcl_cpulist(Selector *, Tcl_Interp *, int, char **);
int Display_cpulist(Selector *, Tcl_Interp *, int, char **);
int Display_runlist(Selector *, Tcl_Interp *, int, char **);
int Display_waitlist(Selector *, Tcl_Interp *, int, char **);
