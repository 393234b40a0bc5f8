// The command tables of a processor ("ppc") and of a hardware thread ("thread"), built for a
// processor type's name.
#pragma once

struct SimCmdTable;

SimCmdTable *build_ppc_Cmd_table(const char *type_name);
SimCmdTable *build_thread_Cmd_table(const char *type_name);
