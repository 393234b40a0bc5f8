// LIBSIM__FindExceptionNumber and LIBSIM__DebugNumber.
#include "isa/libsim_names.h"

#include "runtime/debug.h"

#include <strings.h>

namespace {

// STAND-IN: a copy of the names of the exception-type table (types 0 … 54) until the execution engine's
// table (with Exception_Type_Name) exists; then the lookup reads that table instead.
const char *const exception_type_names[55] = {
    "Illegal Interrupt Table Entry", "ALIGNMENT", "PROGRAM", "SYSTEM_CALL", "TRACE", "PERF_MONITOR",
    "SYSTEM_RESET", "MACHINE_CHECK", "DATA_STORAGE", "DATA_STORAGE_KEY", "DATA_PROTECTION", "DATA_STORAGE_DAWR",
    "DATA_SEG_FAULT", "INSTRUCTION_STORAGE", "INSTRUCTION_KEY", "INSTRUCTION_PROTECTION", "INST_SEG_FAULT",
    "EXTERNAL", "DECREMENTER", "SYSTEM_ERROR", "EAO_DATA_STORAGE", "FP_UNAVAILABLE", "FLOATING_POINT",
    "TM_UNAVAILABLE", "TM_OP_FAILURE", "MEDIATED_EXTERNAL", "HV_DECREMENTER", "HV_SYSTEM_CALL", "HEA", "HV_DSI",
    "HV_DSI_KEY", "HV_DSI_PROTECTION", "HV_DSI_DAWR", "HV_ISI", "HV_ISI_KEY", "HV_ISI_PROTECTION", "HV_DTLB",
    "HV_ITLB", "HV_EAO_DATA_STORAGE", "HMI", "VMX_UNAVAILABLE", "VMX_ASSIST", "VSX_UNAVAILABLE",
    "FACILITY_UNAVAILABLE", "HYPER_FACILITY_UNAVAILABLE", "VECTORED_SYSTEM_CALL", "IMC_SOFTPATCH",
    "DENORM_SOFTPATCH", "UC_DENORM_SOFTPATCH", "P_DBELL", "H_DBELL", "IRPT_CTL", "IRPT_CTL_EBB",
    "IRPT_CTL_HYPER", "IRPT_CTL_EBB_HYPER",
};

int debug_name_count = 0;

} // namespace

int LIBSIM__FindExceptionNumber(vLIBSIM_data *handle, const char *name) {
    int found = -1;
    if (name != nullptr)
        for (int type = 0; type < 55; ++type)
            if (strcasecmp(exception_type_names[type], name) == 0) {
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

int LIBSIM__DebugNumber(const char *name) { return Debug_Number_Lookup(&debug_name_count, Debug_Name_Table_Row, name); }
