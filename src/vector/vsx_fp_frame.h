// The frame of the VSX floating-point instructions: operands read (the cycle-level core's slots or
// the register file), the availability check, the FPSCR cache and rounding mode, the element
// loop's flags, the all-or-nothing target write under the assignment rule, and the FPSCR close
// (VX and FEX recomputed, the cache folded back under the row's update mask, the enabled-exception
// program interrupt when MSR[FE0|FE1] allows) before the next-instruction address advances.
#pragma once

#include <cstdint>

#include "processor/hooks/vsr_access.h"

struct IOPDesc;

// The 2.07 scalar single-precision gates: the level-2.06 PCR test of problem state, then option
// EXTENDED_VSX_INSTRUCTIONS_SUPPORTED (illegal instruction with the mnemonic). 1 passed.
int VSX_Scalar_Single_Gates(IOPDesc *iop);
// The availability check, then the FPSCR cache opened; *mode is the rounding mode (FPSCR[RN], or
// round to nearest for a row of the VMX class). 0 when the check raised an interrupt.
int VSX_FP_Start(IOPDesc *iop, int *mode);
// The whole of XT written when Allow_Assignment(mask, flags) permits: the register file, or the
// cycle-level core's vector result record.
void VSX_FP_Write_Vector(IOPDesc *iop, uint32_t mask, uint32_t flags, Vec128 result);
// VX and FEX recomputed, the cache closed (any enabled-exception interrupt is raised there), the
// next-instruction address advanced. Returns 1.
int VSX_FP_Finish(IOPDesc *iop);
