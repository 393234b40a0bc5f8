// Availability checks of the vector units, run before a vector instruction reads any operand.
// Each returns 1 when the instruction may proceed and 0 after raising exactly one interrupt (the
// routine then returns 0 at once). They re-read the MSR at each step so that every step sees its
// read triggers; HFSCR, FSCR and PCR reads fire (or, without side effects, defer) their triggers.
#pragma once

struct IOPDesc;

// Every VMX instruction: the vector facility (HFSCR outside hypervisor state, FSCR in problem
// state), the PCR VMX-disable bit in problem state (unless PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS),
// MSR[VEC], then under VMX_TAKES_SOFTPATCH the soft-patch step.
int Check_VMX_Available(IOPDesc *iop);
// Every VSX instruction: in problem state the PCR VSX-disable bit and the level-2.05 bit (the
// latter passed by the 28 rows of level 2.07 when the option above is on), the vector facility,
// MSR[VSX], then the soft-patch step. IGNORE_MSR_VSX_BIT skips straight to the soft-patch step.
int Check_VSX_Available(IOPDesc *iop);
// The moves between GPRs and VSR 0..31: the floating-point facility, MSR[FP], then under
// FP_VSX_TAKES_SOFTPATCH the soft-patch step.
int Check_FP_Facility(IOPDesc *iop);
// Instructions of level 2.07: in problem state, PCR bit 0x4 makes them illegal.
int Check_PCR_V206(IOPDesc *iop);
// The compatibility gate of problem state for the vector-scalar instructions that run it inline:
// with PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS off, PCR bit 0x4000000000000000 makes them
// illegal ("VSX disabled by PCR bit in user mode").
int Check_PCR_VSX_Disable(IOPDesc *iop);
