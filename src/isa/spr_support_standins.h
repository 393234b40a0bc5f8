// Services of instruction decode and semantics that the SPR moves use: the 64-bit-operation
// check, the CTRL write and the hypervisor facility-unavailable interrupt.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;

// 1 unless NO_64BIT_OPS_IN_32BIT_MODE is on and MSR[SF] is clear (then Unimplemented Instruction
// is raised and the result is 0).
int check_64bit_op_ok(IOPDesc *iop);
// The CTRL write of an instruction: run latch and thread start requests; nothing in problem state.
void Write_CTRL(IOPDesc *iop, uint32_t value);
// Hypervisor Facility Unavailable (type 44) with the facility number as cause.
PowerPCException *interrupt_HyperFacilityUnavailable(IOPDesc *iop, uint64_t cause, const char *name);
