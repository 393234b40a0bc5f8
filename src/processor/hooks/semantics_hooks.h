// What the SPR moves ask of the instruction semantics (isa/, on a floor above, which defines it):
// the 64-bit-operation check.
#pragma once

struct IOPDesc;

// 1 unless NO_64BIT_OPS_IN_32BIT_MODE is on and MSR[SF] is clear (then Unimplemented Instruction
// is raised and the result is 0).
int check_64bit_op_ok(IOPDesc *iop);
