// Stand-ins of the exception names.
#include "exec/exception_names.h"

namespace
{

const char *const type_names[55] = {
    "Illegal Interrupt Table Entry",
    "ALIGNMENT",
    "PROGRAM",
    "SYSTEM_CALL",
    "TRACE",
    "PERF_MONITOR",
    "SYSTEM_RESET",
    "MACHINE_CHECK",
    "DATA_STORAGE",
    "DATA_STORAGE_KEY",
    "DATA_PROTECTION",
    "DATA_STORAGE_DAWR",
    "DATA_SEG_FAULT",
    "INSTRUCTION_STORAGE",
    "INSTRUCTION_KEY",
    "INSTRUCTION_PROTECTION",
    "INST_SEG_FAULT",
    "EXTERNAL",
    "DECREMENTER",
    "SYSTEM_ERROR",
    "EAO_DATA_STORAGE",
    "FP_UNAVAILABLE",
    "FLOATING_POINT",
    "TM_UNAVAILABLE",
    "TM_OP_FAILURE",
    "MEDIATED_EXTERNAL",
    "HV_DECREMENTER",
    "HV_SYSTEM_CALL",
    "HEA",
    "HV_DSI",
    "HV_DSI_KEY",
    "HV_DSI_PROTECTION",
    "HV_DSI_DAWR",
    "HV_ISI",
    "HV_ISI_KEY",
    "HV_ISI_PROTECTION",
    "HV_DTLB",
    "HV_ITLB",
    "HV_EAO_DATA_STORAGE",
    "HMI",
    "VMX_UNAVAILABLE",
    "VMX_ASSIST",
    "VSX_UNAVAILABLE",
    "FACILITY_UNAVAILABLE",
    "HYPER_FACILITY_UNAVAILABLE",
    "VECTORED_SYSTEM_CALL",
    "IMC_SOFTPATCH",
    "DENORM_SOFTPATCH",
    "UC_DENORM_SOFTPATCH",
    "P_DBELL",
    "H_DBELL",
    "IRPT_CTL",
    "IRPT_CTL_EBB",
    "IRPT_CTL_HYPER",
    "IRPT_CTL_EBB_HYPER",
};

} // namespace

// STAND-IN: the exception table (priorities, vector offsets, filled at start-up) is not built;
// the names of its rows stand for it.
__attribute__((weak)) const char *Exception_Type_Name(int32_t type)
{
    return type >= 0 && type <= 54 ? type_names[type] : nullptr;
}

// STAND-IN: the subtype texts are not built; no subtype is described yet.
__attribute__((weak)) const char *est_string(int32_t)
{
    return nullptr;
}
