// Thread control from Tcl ("step", "stall", "config_on", "start_thread", "stop_thread") and the
// "interrupt" table that injects an interrupt into the selected thread or raises, lowers or
// messages an interrupt source of the chip's controller.
#pragma once

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

SimCmdTable *build_ppc_interruptCmd_table(void *argument = nullptr);

int PPC_Step(Selector *, Tcl_Interp *, int, char **);
int PPC_stallCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_configonCmd(Selector *, Tcl_Interp *, int, char **);
int Start_Thread_Cmd(Selector *, Tcl_Interp *, int, char **);
int Stop_Thread_Cmd(Selector *, Tcl_Interp *, int, char **);
int PIC_InterruptExternal(Selector *, Tcl_Interp *, int, char **);
