// Builders of the tables the thread-level set, the processor table and the chip vocabulary hang up
// whose commands are built elsewhere: utilities (command/util_commands.cpp), OS information
// (command/osinfo_commands.cpp), process tree (command/process_commands.cpp), ERAT and TLB
// display (command/translation_cache_commands.cpp); processor triggers, consoles, triggers,
// device tree, paravirtual devices and halt.
#pragma once

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

SimCmdTable *build_UtilCmd_table(void *argument);
SimCmdTable *build_ppc_OSInfo_table(void *argument);
SimCmdTable *build_ppc_ProcessTree_table(void *argument);
SimCmdTable *build_ERAT_table(void *argument);
SimCmdTable *build_TLB_table(void *argument);
SimCmdTable *build_ppc_triggerCmd_table(void *argument);
SimCmdTable *build_consoleConfigCmd_table(void *argument);
SimCmdTable *build_triggerCmd_table(void *argument);
SimCmdTable *build_of_cmd_table(void *argument);
SimCmdTable *build_bogusCmd_table(void *argument);
SimCmdTable *build_bogushaltCmd_table(void *argument);

// The address translation commands of the thread-level set.
int UTIL_Thread_iTransCmd(Selector *, Tcl_Interp *, int, char **);
int UTIL_Thread_dTransCmd(Selector *, Tcl_Interp *, int, char **);
