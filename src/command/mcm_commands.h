// A chip's command table "mcm": its display table about the chip's threads, and the chip-level
// vocabulary (consoles, triggers, device tree, the processor and thread set, paravirtual devices,
// halt) that the machine's top table shares.
#pragma once

#include "machine/hooks/command_hooks.h"

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// build_mcm_Cmd_table: machine/hooks/command_hooks.h (called when a chip is set up).
SimCmdTable *build_mcm_DisplayCmd_table_limited(void *data);

// Per thread of the machine (of the chip at chip level): "{ name ppc number %s state %s } ",
// " PPC%s " for all, running and stalled threads.
int Display_tcl_cpulist(Selector *, Tcl_Interp *, int, char **);
int Display_cpulist(Selector *, Tcl_Interp *, int, char **);
int Display_runlist(Selector *, Tcl_Interp *, int, char **);
int Display_waitlist(Selector *, Tcl_Interp *, int, char **);
