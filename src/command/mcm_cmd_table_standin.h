// The chip's command table as the chip's set-up and teardown reach it.
#pragma once

#include "command/cmd_table.h"

// STAND-IN: the chip commands are not built yet; the chip table "mcm" is empty.
SimCmdTable *build_mcm_Cmd_table(void *data);
