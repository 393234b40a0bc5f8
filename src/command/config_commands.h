// Configurations and machine definition: the "define" table (config, dup, machine, cpu, list),
// the name check that keeps machines, configurations and Tcl commands apart, the command of every
// configuration with its "property list" table, and the Tcl command of every machine.
#pragma once

struct GenericMachine;
struct PropertyList;
struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// The "property list" table shared by every configuration's command.
extern SimCmdTable *simtopPropertyListCmd_table;

// 1 when no machine, property list or Tcl command has the name; otherwise a fatal error that
// names the clash, and 0.
int CheckUniqueName(const char *name);
// A new empty configuration with its Tcl command, or null ("new config name %s already in use").
PropertyList *Make_Property_List(Tcl_Interp *interpreter, const char *name);
// A new configuration holding a copy of every entry of the given one, or null.
PropertyList *Dup_Property_List(Tcl_Interp *interpreter, PropertyList *list, const char *name);
// Creates the machine's Tcl command and makes it the machine of printed time stamps.
void AttachMachineToTCL(Tcl_Interp *interpreter, const char *name, GenericMachine *machine);
// Copies every entry (key, value, description, visibility) of the source into the destination.
void PropertyList__Copy(PropertyList *destination, PropertyList *source);
// Sets the key of words 1 .. count-2 joined with "/" to the value words[count-1], creating it.
struct ConfigEntry;
ConfigEntry *PropertyList__InsertPropertyValue(PropertyList *list, int count, char **words);

SimCmdTable *build_defineCmd_table(void);
SimCmdTable *build_simPropertyListCmd_table(void);

// Tcl command procedures of configurations and machines.
int PropertyList_Cmd(void *client_data, Tcl_Interp *interpreter, int argc, const char *argv[]);
int SimTop_Cmd(void *client_data, Tcl_Interp *interpreter, int argc, const char *argv[]);

// Handlers of the "define" table.
int SimConfig_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int SimDupConfig_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int CreateMachine_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int CreateCPU_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
