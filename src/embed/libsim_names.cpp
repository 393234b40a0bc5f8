// LIBSIM__FindExceptionNumber and LIBSIM__DebugNumber.
#include "embed/libsim_names.h"

#include "interrupts/exception_names.h"
#include "runtime/debug.h"

#include <strings.h>

namespace {

int debug_name_count = 0;

} // namespace

int LIBSIM__FindExceptionNumber(vLIBSIM_data *handle, const char *name) {
    int found = -1;
    if (name != nullptr)
        for (int type = 0; type < 55; ++type)
            if (strcasecmp(Exception_Type_Name(type), name) == 0) {
                found = type;
                break;
            }
    if (handle != nullptr)
        LSD_Machine(handle);
    return found;
}

int Debug_Number_Lookup(int *cached_count, const char *(*row_name)(int row), const char *name) {
    if (*cached_count == 0)
        while (row_name(*cached_count) != nullptr)
            ++*cached_count;
    if (name == nullptr)
        return -1;
    for (int id = 0; id < *cached_count; ++id)
        if (strcasecmp(row_name(id), name) == 0)
            return id;
    return -1;
}

const char *Debug_Name_Table_Row(int row)
{
    return row >= 0 && row < DEBUG_NAME_TABLE_ROWS ? debug_name_table[row].name : nullptr;
}

int LIBSIM_Debug_Id_Count(void)
{
    if (debug_name_count == 0) Debug_Number_Lookup(&debug_name_count, Debug_Name_Table_Row, nullptr);
    return debug_name_count;
}

int LIBSIM__DebugNumber(const char *name) { return Debug_Number_Lookup(&debug_name_count, Debug_Name_Table_Row, name); }
