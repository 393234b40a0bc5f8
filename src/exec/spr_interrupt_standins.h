// Interrupt raisers of the execution engine that the SPR moves call, the performance-monitor
// counter access, and the filing of a raised record on the instruction (while the raisers are
// stand-ins).
#pragma once

#include "exec/privileged_interrupt.h" // interrupt_PrivilegedInstruction

#include <cstdint>

#include "exec/interrupt_raisers.h"

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


// Program interrupt, transactional-memory bad thing (type 2, reason 277).
PowerPCException *interrupt_HTM_Bad_Thing(IOPDesc *iop, const char *text);
// Facility Unavailable (type 43) with the facility number as FSCR cause.
PowerPCException *interrupt_FacilityUnavailable(IOPDesc *iop, uint64_t cause, const char *text);

// The live value of counter n (1-6) and its write into the counting model.
uint64_t PMC_get_counter(ThreadState *thread, uint32_t n);
void PMC_set_counter(ThreadState *thread, uint32_t n, uint64_t value);

// STAND-IN support: a record of the type and subtype with the detail text, appended to the
// instruction's exception list (nothing without an instruction or thread).
PowerPCException *File_Standin_Exception(IOPDesc *iop, int32_t type, int32_t subtype, const char *detail);
// STAND-IN support: added to the stored counter by the stand-in of PMC_get_counter.
extern uint64_t pmc_counter_standin_live_offset;
