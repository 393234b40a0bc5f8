// Exception types (rows of the exception table) and the subtype codes the instruction semantics
// raise or test.
#pragma once

#include <cstdint>
#include "decode/row_ids.h"

enum : int32_t {
    EXC_ILLEGAL_ENTRY = 0,
    EXC_ALIGNMENT = 1,
    EXC_PROGRAM = 2,
    EXC_SYSTEM_CALL = 3,
    EXC_TRACE = 4,
    EXC_PERF_MONITOR = 5,
    EXC_SYSTEM_RESET = 6,
    EXC_MACHINE_CHECK = 7,
    EXC_DATA_STORAGE = 8,
    EXC_INSTRUCTION_STORAGE = 13,
    EXC_EXTERNAL = 17,
    EXC_DECREMENTER = 18,
    EXC_SYSTEM_ERROR = 19,
    EXC_FP_UNAVAILABLE = 21,
    EXC_FLOATING_POINT = 22,
    EXC_TM_UNAVAILABLE = 23,
    EXC_TM_OP_FAILURE = 24,
    EXC_MEDIATED_EXTERNAL = 25,
    EXC_HV_DECREMENTER = 26,
    EXC_HV_SYSTEM_CALL = 27,
    EXC_HEA = 28,
    EXC_HV_ISI = 33,
    EXC_HMI = 39,
    EXC_VMX_UNAVAILABLE = 40,
    EXC_VMX_ASSIST = 41,
    EXC_VSX_UNAVAILABLE = 42,
    EXC_FACILITY_UNAVAILABLE = 43,
    EXC_HYPER_FACILITY_UNAVAILABLE = 44,
    EXC_VECTORED_SYSTEM_CALL = 45,
    EXC_IMC_SOFTPATCH = 46,
    EXC_DENORM_SOFTPATCH = 47,
    EXC_UC_DENORM_SOFTPATCH = 48,
    EXC_P_DBELL = 49,
    EXC_H_DBELL = 50,
    EXC_IRPT_CTL = 51,
    EXC_IRPT_CTL_EBB = 52,
    EXC_IRPT_CTL_HYPER = 53,
    EXC_IRPT_CTL_EBB_HYPER = 54,
};

// Subtype codes.
enum : int32_t {
    EST_PRIVILEGED_INSTRUCTION = 218, // "PROGRAM: Privileged Instruction"
    EST_TRAP_INSTRUCTION = 219,       // "PROGRAM: Trap Instruction"
    EST_UNIMPLEMENTED_INSTRUCTION = 220,
    EST_ILLEGAL_INSTRUCTION = 221,
    EST_DSI_REAL_MODE_PROTECTION = 239, // "DSI: Real-Mode Data Storage Protection Fault"
    EST_DSI_STORAGE_KEY = 249,          // "DSI: Storage Key"
    EST_DSI_EAO = 268,                  // "DSI: Effective Address Overflow (EAO)"
    EST_IRPT_CTL = 270,
    EST_TM_BAD_THING = 277, // "PROGRAM: TM Bad Thing"
    EST_TRACE_CIABR = 279,  // "TRACE: CIABR MATCH"
    EST_TM_OP_FAILURE = 286,
    EST_TRACE_CIABR_AND_STEP = 288, // "TRACE: CIABR MATCH and Single Step or Branch Trace"
};

