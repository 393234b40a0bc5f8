// The privileged-instruction program interrupt.
#pragma once

struct IOPDesc;
struct PowerPCException;

// Program interrupt (type 2, subtype 218 "PROGRAM: Privileged Instruction", SRR1 bit 0x40000);
// returns the filed record or null.
PowerPCException *interrupt_PrivilegedInstruction(IOPDesc *iop);
