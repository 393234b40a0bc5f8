// Name lookups of the embedding interface that live beside the instruction-table search: exception types
// and debug categories by name.
#pragma once

#include <cstdint>

#include "processor/hooks/embed_hooks.h" // LSD_Machine

struct vLIBSIM_data;
struct GenericMachine;

extern "C" {
// Exception type 0 … 54 whose name equals `name` ignoring case, or -1. Ensures the handle's machine first.
int LIBSIM__FindExceptionNumber(vLIBSIM_data *handle, const char *name);
// Library debug id (row of the debug-name table) whose name equals `name` ignoring case, or -1.
int LIBSIM__DebugNumber(const char *name);
}

// The debug-name lookup over any table given by a row-name accessor (null ends the table). The row count is
// counted on the first call whose cache is 0 and kept in *cached_count.
int Debug_Number_Lookup(int *cached_count, const char *(*row_name)(int row), const char *name);

// The number of library debug ids: named rows of the debug-name table from row 0 (counted once).
int LIBSIM_Debug_Id_Count(void);

// Name of row `row` of the debug-name table, or null for a row without a name. Defined by the debug module.
const char *Debug_Name_Table_Row(int row);
