// Stand-ins of the processor and thread command tables.
#include "command/cmd_table.h"
#include "command/processor_cmd_tables.h"

// STAND-IN: the processor commands (trigger, osinfo, erat, tlb and the processor vocabulary) are
// not built yet; the table is empty.
__attribute__((weak)) SimCmdTable *build_ppc_Cmd_table(const char *)
{
    return Init_SimCmdTable("ppc");
}

// STAND-IN: the thread commands (set, display, trigger, osinfo and the thread vocabulary) are not
// built yet; the table is empty.
__attribute__((weak)) SimCmdTable *build_thread_Cmd_table(const char *)
{
    return Init_SimCmdTable("thread");
}
