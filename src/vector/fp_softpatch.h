// The soft-patch step shared by the availability checks of the vector, floating-point and
// decimal units.
#pragma once

struct IOPDesc;

// 0 when the row has no soft-patch predicate or a standalone program runs; otherwise the
// predicate's answer, and a nonzero answer raises the soft-patch interrupt (cause 0x100000) with
// the instruction's data address.
int FP_Softpatch_Check(IOPDesc *iop);
