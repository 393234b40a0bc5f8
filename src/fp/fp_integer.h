// The conversion of a double to a 32- or 64-bit integer for the instruction being executed (the
// fctid and fctiw families), with its FPSCR effects and the invalid-conversion results.
#pragma once

#include <cstdint>

struct IOPDesc;

// Rounds the double in the mode to a saturated integer of the width (32 or 64) into *out. FI and
// FR report the rounding; NaNs, infinities and out-of-range values set VXCVI (and VXSNAN). Returns
// 0 when an enabled invalid-operation exception suppresses the result.
int FloatConvertToSignedInteger(IOPDesc *iop, uint64_t *out, uint64_t dw, int mode, int width,
                                const char *label);
int FloatConvertToUnsignedInteger(IOPDesc *iop, uint64_t *out, uint64_t dw, int mode, int width,
                                  const char *label);

// VXCVI, then (unless FPSCR[VE]) the saturated result by the sign into *out. Returns the answer.
int Invalid_Convert_To_Signed(IOPDesc *iop, uint64_t *out, int negative);
int Invalid_Convert_To_Unsigned(IOPDesc *iop, uint64_t *out, int negative);
