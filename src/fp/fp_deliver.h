// Result delivery: an FP160 result rounded into its target format for the instruction being
// executed, with the IEEE rules for overflow, underflow, division by zero and invalid operations
// as FPSCR's enables and the processor options select; the FPSCR exception, FR, FI and FPRF bits
// are set, and the answer says whether the result may be written (an enabled invalid-operation
// or zero-divide exception suppresses it).
#pragma once

#include <cstdint>

#include "fp/fp160.h"

struct IOPDesc;

// Rounds to double precision into *out and sets the status; negate asks for the result's sign to
// be inverted (not for NaNs, nor for an exact zero sum outside mode 3). Returns 0 when the result
// must not be written.
int FP_Convert_ExceptionHandler64(IOPDesc *iop, FP160 *value, uint64_t *out, int negate, int mode);
// The same for a single-precision result, delivered in double format.
int FP160_Convert_to_32_as_DW(IOPDesc *iop, FP160 *value, uint64_t *out, int negate, int mode);
// Half and quad precision (quad out: low word first); FP_Convert_ExceptionHandler80 is the quad one.
int FP_Convert_ExceptionHandler16(IOPDesc *iop, FP160 *value, uint16_t *out, int negate, int mode);
int FP_Convert_ExceptionHandler128(IOPDesc *iop, FP160 *value, uint64_t *out, int negate, int mode);
int FP_Convert_ExceptionHandler80(IOPDesc *iop, FP160 *value, uint64_t *out, int negate, int mode);

// The enabled overflow and underflow step of the single-precision delivery: rounds the adjusted
// value to single precision (sticky as its inexact flag) and delivers it in double format with its
// FPRF; *flags collects the value's flags; *convert_later and *fprf_later become 0.
void FP160_Round_Enabled_to_32_as_DW(IOPDesc *iop, FP160 *value, uint64_t *out, int sticky, int mode,
                                     uint32_t *flags, int *convert_later, int *fprf_later);
// Marks 0x200 and returns the value with its double exponent field wrapped to 11 bits and its top
// 23 fraction bits, as a double; the value's exponent is set so that FP160_Convert64 keeps it.
uint64_t EnabledOverflowUnderflowDPforcedToSPresult(IOPDesc *iop, FP160 *value);
// Adds 1536 to the exponent when add is set, then subtracts 1536 when subtract is set.
void FP_Store(FP160 *value, int add, int subtract);
