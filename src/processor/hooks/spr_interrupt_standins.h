// What the SPR moves use of the execution engine besides the raisers (interrupt_hooks.h): the
// exception types and reasons they raise, the performance-monitor counter access (defined by
// exec/pmc_counters.cpp) and the filing of a raised record on the instruction.
#pragma once

#include <cstdint>

#include "processor/hooks/interrupt_hooks.h"

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// Exception types and program-interrupt reasons the SPR moves raise.
enum : int32_t {
    EXC_TYPE_PROGRAM = 2,
    EXC_TYPE_HEA = 28,
    EXC_TYPE_HMI = 39,
    EXC_TYPE_FACILITY_UNAVAILABLE = 43,
    EXC_TYPE_HYPER_FACILITY_UNAVAILABLE = 44,
    EXC_REASON_PRIVILEGED = 218,
    EXC_REASON_ILLEGAL = 221,
    EXC_REASON_TM_BAD_THING = 277,
};

// The live value of counter n (1-6) and its write into the counting model.
uint64_t PMC_get_counter(ThreadState *thread, uint32_t n);
void PMC_set_counter(ThreadState *thread, uint32_t n, uint64_t value);

// STAND-IN support: a record of the type and subtype with the detail text, appended to the
// instruction's exception list (nothing without an instruction or thread).
PowerPCException *File_Standin_Exception(IOPDesc *iop, int32_t type, int32_t subtype, const char *detail);
