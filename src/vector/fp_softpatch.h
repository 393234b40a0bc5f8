// The floating-point soft-patch step of the availability checks.
#pragma once

struct IOPDesc;

// 0 when the row has no soft-patch predicate or a standalone program runs; otherwise the
// predicate's answer, and a nonzero answer raises the soft-patch interrupt (cause 0x100000) with
// the instruction's data address.
int FP_Softpatch_Check(IOPDesc *iop);
