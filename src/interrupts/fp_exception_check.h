// The floating-point enabled-exception check after an FPSCR or MSR change.
#pragma once

#include <cstdint>

struct IOPDesc;

// 1 unless FPSCR[FEX] is set while MSR[FE0] or MSR[FE1] is: then the floating-point interrupt is
// raised (kind 1 after an MSR write, adding SRR1 0x10000) and 0 returned.
int FP_EXCEPTION_CHECK(IOPDesc *iop, int kind);
int IOP_FP_Exception_Check(IOPDesc *iop);
