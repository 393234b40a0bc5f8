// The "ProcessTree" table: filling and inspecting the selected machine's guest process tree by hand
// (attached by no table; hosts and plug-ins enter it into a table of their own).
#pragma once

struct SimCmdTable;

SimCmdTable *build_ProcessTree_table(void *argument);
