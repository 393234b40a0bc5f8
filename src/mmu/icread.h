// The instruction-cache read of "icread".
#pragma once

struct IOPDesc;

// 1 when the instruction completed its read (the caller advances), 0 when it raised an interrupt.
int core_icread(IOPDesc *iop);
