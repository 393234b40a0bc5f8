// Magnitude and value comparisons of decimal numbers and intermediates (-1, 0, 1), and the
// normalisation they rest on.
#pragma once

#include "dfp/decimal_number.h"

// The coefficient shifted left to exactly `precision` digits; a zero gets exponent 0.
void DFP_Normalize(const DecimalNumber *a, DecimalNumber *out);
// The coefficients compared at their leading digits; both Normal.
int DFP_CompareCoefficients(const DecimalNumber *a, const DecimalNumber *b);
// Normal or Infinity operands.
int DFP_CompareOperandsByAbsValue(const DecimalNumber *a, const DecimalNumber *b);
int DFP_CompareOperands(const DecimalNumber *a, const DecimalNumber *b);
// As the operand forms, with the sticky flags as the last tie-breaker.
int DFP_CompareImByAbsValue(const DecimalIntermediate *a, const DecimalIntermediate *b);
int DFP_CompareIm(const DecimalIntermediate *a, const DecimalIntermediate *b);
