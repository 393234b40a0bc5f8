#include "command/mcm_cmd_table_standin.h"

// STAND-IN: the chip vocabulary (consoles, triggers, device tree, chip and processor lists) and
// the thread-level commands are not built yet; a chip's table is empty. It is freed with
// Quit_SimCmdTable.
SimCmdTable *build_mcm_Cmd_table(void *)
{
    return Init_SimCmdTable("mcm");
}
