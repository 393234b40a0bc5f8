// Services of the instruction semantics and the interrupt code that the SPR moves use: the
// 64-bit-operation check (defined in isa/semantics_helpers.cpp) and the hypervisor
// facility-unavailable interrupt (defined with the other raisers).
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;

// 1 unless NO_64BIT_OPS_IN_32BIT_MODE is on and MSR[SF] is clear (then Unimplemented Instruction
// is raised and the result is 0).
int check_64bit_op_ok(IOPDesc *iop);
// Hypervisor Facility Unavailable (type 44) with the facility number as cause.
PowerPCException *interrupt_HyperFacilityUnavailable(IOPDesc *iop, uint64_t cause, const char *name);
