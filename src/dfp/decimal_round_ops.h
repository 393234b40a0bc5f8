// Operations that are little more than a rounding: round to a shorter format, round to a
// floating-point integer, quantize and reround. The intermediate's wide format is set by the
// caller (RoundTo sets its own); result carries the target format.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"
#include "dfp/dfp_environment.h"

// With an enabled overflow or underflow the scaled result stays in the operand's (longer) format.
void DFP_RoundTo(const DFP_Environment *env, const DecimalNumber *operand, int keepSNaN,
                 int canonicalInfinity, DecimalNumber *result, uint32_t *status,
                 DFP_RoundingCase *roundingCase, DecimalIntermediate *intermediate);
// As DFP_RoundTo with the instruction's rounding field applied first when applyField is set.
void DFP_RoundTo_WithRM(const DFP_Environment *env, const DecimalNumber *operand, int applyField,
                        uint32_t field, int keepSNaN, int canonicalInfinity, DecimalNumber *result,
                        uint32_t *status, DFP_RoundingCase *roundingCase, DecimalIntermediate *intermediate);
// Without signalInexact FR, FI and inexact are not reported.
void DFP_RoundFPInteger(const DFP_Environment *env, const DecimalNumber *operand, int signalInexact,
                        DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
                        DecimalIntermediate *intermediate);
// The value of operand with the exponent of reference, rounded by the RMC; never reports underflow.
void DFP_Quantize(const DFP_Environment *env, const DecimalNumber *reference, const DecimalNumber *operand,
                  uint32_t rmc, DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
                  DecimalIntermediate *intermediate);
// operand rounded to referenceSignificance significant digits by the RMC.
void DFP_Reround(const DFP_Environment *env, uint32_t referenceSignificance, const DecimalNumber *operand,
                 uint32_t rmc, DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
                 DecimalIntermediate *intermediate);
