// Decimal division of unpacked operands.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"
#include "dfp/dfp_environment.h"

// result = dividend / divisor rounded into the result's format; an exact quotient takes the
// exponent nearest the ideal one (dividend exponent - divisor exponent) without exceeding it.
void DFP_Divide(const DFP_Environment *env, const DecimalNumber *dividend, const DecimalNumber *divisor,
                DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
                DecimalIntermediate *intermediate);
