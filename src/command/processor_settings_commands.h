// Processor and thread settings and status commands: names, instruction count and sequence, CPI,
// the instruction-rate interval, the simulator MSR bit mask, frequency, run status, cycles,
// instruction throughputs, time base, decrementer and reservation.
#pragma once

struct Selector;
struct Tcl_Interp;

int display_confignameCmd(Selector *, Tcl_Interp *, int, char **);
int confignameCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_Display_ins_countCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_Set_ins_countCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_Display_ins_seqCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_Set_ins_seqCmd(Selector *, Tcl_Interp *, int, char **);
int display_PPC_CPI_ConfigCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_CPI_ConfigCmd(Selector *, Tcl_Interp *, int, char **);
int display_PPC_configKIPSCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_configKIPSCmd(Selector *, Tcl_Interp *, int, char **);
int display_setMSR_quarn_bitConfigCmd(Selector *, Tcl_Interp *, int, char **);
int setMSR_quarn_bitConfigCmd(Selector *, Tcl_Interp *, int, char **);
int display_setfreqConfigCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayCurrentThreadCmd(Selector *, Tcl_Interp *, int, char **);
int display_PPC_threadsCmd(Selector *, Tcl_Interp *, int, char **);
int display_PPC_max_threadsCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_Display_statusCmd(Selector *, Tcl_Interp *, int, char **);
int Display_cycles(Selector *, Tcl_Interp *, int, char **);
int display_PPC_itimes_Cmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayTimebaseCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetTimebaseCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayDECCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetDECCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayReservationCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetReservationCmd(Selector *, Tcl_Interp *, int, char **);
