// The chip-level settings: the real-time clock, its speed-up, phantom MMIO access and the SMT
// quantum, in the full chip tables "mcm_set" and "mcm_display" (attached by no table) and in the
// additions that the machine's full "set" and "Display" tables end with.
#pragma once

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// "RTC" and "RTC_speedup", then the processor set entries.
void Add_MCM_Set_Cmds(SimCmdTable *table, void *data);
// "number_of_cpus", "max_smt_quanta", "RTC_speedup", "RTC", "phantom_mmio", then the processor
// display entries.
void Add_MCM_Display_Cmds(SimCmdTable *table, void *data);
SimCmdTable *build_mcm_SetCmd_table(void *data);
SimCmdTable *build_mcm_DisplayCmd_table(void *data);

int display_MCM_threadsCmd(Selector *, Tcl_Interp *, int, char **);
int displayReservationCmd(Selector *, Tcl_Interp *, int, char **);
int display_MCM_cpusCmd(Selector *, Tcl_Interp *, int, char **);
int display_MaxSMTQuanta_Cmd(Selector *, Tcl_Interp *, int, char **);
int display_RTC_Speedup_Cmd(Selector *, Tcl_Interp *, int, char **);
// "%d (%s)": the clock's seconds now and the first 19 characters of their ctime text.
int display_setRTCCmd(Selector *, Tcl_Interp *, int, char **);
int display_phantommmioMCMConfigCmd(Selector *, Tcl_Interp *, int, char **);
int phantommmioMCMConfigCmd(Selector *, Tcl_Interp *, int, char **);
// "FIXED" (a fixed date, simulated time still counts), "CURRENT" (the host's time now) or a
// positive number of seconds since 1970 that the clock shows now.
int set_RTC_Cmd(Selector *, Tcl_Interp *, int, char **);
int set_RTC_Speedup_Cmd(Selector *, Tcl_Interp *, int, char **);
