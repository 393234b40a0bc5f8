// The global trigger table of the command "trigger".
#pragma once

struct SimCmdTable;

SimCmdTable *build_GlobalTriggerCmd_table(void);
