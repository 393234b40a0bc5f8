// What building and tearing down machines, chips and processors asks of the command language
// (command/, on the floor above, which defines it): the command tables of a machine, a chip, a
// processor and a thread, freeing a table, and the command server's job of a machine.
#pragma once

struct GenericMachine;
struct job_s;
struct SimCmdTable;

// The machine's top table; the builder argument is handed on to sub-table builders.
SimCmdTable *build_simtopCmd_table(void *argument);
// Made for every chip when it is set up; freed with Quit_SimCmdTable.
SimCmdTable *build_mcm_Cmd_table(void *data);
// The processor ("ppc") and thread ("thread") tables of a processor type.
SimCmdTable *build_ppc_Cmd_table(const char *type_name);
SimCmdTable *build_thread_Cmd_table(const char *type_name);
// Frees the table, its entries and every table below it, each table once.
void Quit_SimCmdTable(SimCmdTable *table);
// Starts the machine's job "ServerSocket" when the command server runs and returns it; otherwise
// null.
job_s *QuarnServer_Machine_Init(GenericMachine *machine);
