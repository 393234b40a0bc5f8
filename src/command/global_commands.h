// The global commands: the top-level Tcl commands registered at start-up (help, reveal, alias,
// define, display, modify, simdebug, simstop, version, trigger, quit and the rest), the global
// command tables they dispatch in, and their handlers.
#pragma once

struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// The root tables of the global commands.
extern SimCmdTable *simCmd_table;
extern SimCmdTable *defineCmd_table;
extern SimCmdTable *debugCmd_table;
extern SimCmdTable *triggerCmd_table;
extern SimCmdTable *simstopCmd_table;
extern SimCmdTable *versionCmd_table;
extern SimCmdTable *modifyCmd_table;
extern SimCmdTable *displayCmd_table;
extern SimCmdTable *aliasCmd_table;

// Builds the global tables and registers the top-level commands.
void AddSimCommands(Tcl_Interp *interpreter);

SimCmdTable *build_simCmd_table(void);
SimCmdTable *build_simstopCmd_table(void);
SimCmdTable *build_versionCmd_table(void);
SimCmdTable *build_debugCmd_table(void);
// "callbacks": built by nothing in the system; a host may attach it.
SimCmdTable *build_CallbackCmd_table(void);

// Handlers used by more than one table.
int display_machines_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int display_configures_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// The command procedure over the "sim" table; registered by nothing, a host or plug-in may.
extern "C" int Sim_Cmd(void *client_data, Tcl_Interp *interpreter, int argc, const char *argv[]);
