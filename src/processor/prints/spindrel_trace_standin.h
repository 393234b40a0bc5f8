// The exerciser trace line of an executed instruction.
#pragma once

struct IOPDesc;

void Print_Spindrel_Trace(IOPDesc *iop);
