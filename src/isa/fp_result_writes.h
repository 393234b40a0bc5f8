// Target writes of the floating-point instructions: whether an operation's result may be written
// under the FPSCR enables, and the scalar vector-scalar target write.
#pragma once

#include <cstdint>

struct IOPDesc;

// 1 when the result may be written, 0 when an enabled exception suppresses it. m = mask AND the
// FP160 flags the operation raised; with m = 0 or no enable (VE, OE, UE, ZE, XE) set in the
// instruction's FPSCR the answer is 1; else 0 for SNaN (0x80) or invalid (0x10) with VE, overflow
// (0x01) with OE, underflow (0x02) with UE, zero-divide (0x20) with ZE; else for inexact (0x04)
// 1 - XE; else 1. The QNaN flag (0x40) never suppresses.
int Allow_Assignment(IOPDesc *iop, uint32_t mask, uint32_t flags);
// Writes VSR XT with doubleword 0 = value and doubleword 1 = 0 (as IOP_Write_VSR_T); the second
// argument is not used.
void IOP_Write_VSR_T_Low(IOPDesc *iop, uint64_t unused, uint64_t value);
// Writes VSR XT with both words of doubleword 0 = the high word of value and doubleword 1 = 0.
void IOP_Write_VSR_T_Word(IOPDesc *iop, uint64_t unused, uint64_t value);
