// The floating-point-unavailable interrupt (MSR[FP] clear) of the floating-point instructions.
#pragma once

struct IOPDesc;
struct PowerPCException;

PowerPCException *interrupt_FPUnavailable(IOPDesc *iop);
