// The decimal floating-point instructions on a hardware thread: the availability check that each
// of them runs first, and their 88 semantic routines (semantic_dadd ... semantic_dxexq_dot,
// declared with every other routine in isa/semantics.h).
//
// A routine checks availability, builds the library's environment from the FPSCR, reads its FPR
// (or FPR pair) operands, calls the library entry point named after the instruction, writes the
// result register or pair when the library delivered one, FPSCR_CHANGE, FPSCR and the CR field
// of its form, then checks for an enabled floating-point exception and advances the NIA. It
// returns 1 when the instruction completed and 0 when it ended with an interrupt.
#pragma once

struct IOPDesc;

// 1 when the instruction may go on; 0 after raising its interrupt (unsupported or disabled decimal
// floating point, facility or floating-point unavailable, soft patch) or when an exception is
// already pending on it. Registers are left as they were.
int DFP_Check_Available(IOPDesc *iop);
