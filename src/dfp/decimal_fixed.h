// Conversions between decimal numbers and signed 64-bit integers.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"
#include "dfp/dfp_environment.h"

constexpr int32_t MIN_EXP_OBVIOUS_OVERFLOW = 19;

// value into the result's format, rounded by the environment's mode when it has too many digits.
void DFP_ConvertFromFixed(const DFP_Environment *env, int64_t value, int writeFrFi, DecimalNumber *result,
                          uint32_t *status, DFP_RoundingCase *roundingCase,
                          DecimalIntermediate *intermediate);
// a rounded to an integer by the environment's mode. NaNs and out-of-range values are invalid
// conversions; with invalid disabled they give 0x8000000000000000 or 0x7FFFFFFFFFFFFFFF.
void DFP_ConvertToFixed(const DFP_Environment *env, const DecimalNumber *a, int64_t *out, uint32_t *status,
                        DFP_RoundingCase *roundingCase);

// Steps of DFP_ConvertToFixed.
void DFP_ConvertToFixed_Overflow(const DFP_Environment *env, int32_t sign, int64_t *out, uint32_t *status,
                                 DFP_RoundingCase *roundingCase);
// The integer of a magnitude below 0.1 (0 or 1 by the mode).
void DFP_PrepareBCD_Underflow(const DFP_Environment *env, int32_t sign, BCDnumber *integer, uint32_t *status,
                              DFP_RoundingCase *roundingCase);
void DFP_ConvertBCDnumberToFixed(const DFP_Environment *env, int32_t sign, const BCDnumber *integer,
                                 int64_t *out, uint32_t *status, DFP_RoundingCase *roundingCase);
