// The per-operation coverage record: data-type codes of operands and result, the range of the
// unrounded intermediate and the exception signals.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"
#include "dfp/dfp_environment.h"

// 0 absent or Undefined, 1 +0, 2 -0, 3 +subnormal, 4 -subnormal, 5 +normal, 6 -normal, 7 +inf,
// 8 -inf, 9 +QNaN, 10 -QNaN, 11 +SNaN, 12 -SNaN.
int32_t GetDFP_DataType(const DecimalNumber *number);

// Bit 0 any invalid cause, 1 overflow, 2 underflow, 3 zero divide, 4 inexact; bits 5..7 of
// *signals are kept.
void DFP_ExtractExceptionSignals(uint32_t status, uint32_t *signals);

// Where the intermediate lies against the largest finite (M), smallest normal (N) and smallest
// subnormal (S) numbers of the result's format: 0 above M with overflow, 1 above M without, 2 N..M,
// 3 S..N, 4 between S/2 and S, 5 exactly S/2, 6 below S/2 and not zero, 7 exactly zero, 9 no
// finite intermediate (8, a zero sum of opposite signs, is set by the add entry points).
int32_t DFP_UpdateResultRange(uint32_t status, const DecimalNumber *final,
                              const DecimalIntermediate *intermediate);

void DFP_UpdateCoverageMetrics(int32_t operationId, const DFP_Environment *env, uint32_t status,
                               const DecimalNumber *operand1, const DecimalNumber *operand2,
                               const DecimalNumber *result, const DecimalIntermediate *intermediate,
                               DFP_CoverageMetrics *coverage);
