// Decimal arithmetic on unpacked operands: NaN propagation, the special cases of infinities and
// zeros, add (and through it subtract, compare and load-and-test), multiply, the special cases of
// divide, and widening conversion. Each computes an exact or sticky intermediate (in the wide
// format the caller set) and rounds it into the result's format.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"
#include "dfp/dfp_environment.h"

// Each returns 1 when it settled the operation.
int DFP_HandleNANs(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                   DecimalNumber *result, uint32_t *status);
int DFP_AddSpecialNumbers(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                          DecimalNumber *result, uint32_t *status);
int DFP_MultiplySpecialNumbers(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                               DecimalNumber *result, uint32_t *status);
int DFP_DivideSpecialNumbers(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                             DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase);

void DFP_Add(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
             DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
             DecimalIntermediate *intermediate);
void DFP_Multiply(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                  DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
                  DecimalIntermediate *intermediate);

// The status ends with exactly one of FL, FG, FE, FU (and any invalid causes).
void DFP_Compare(const DFP_Environment *env, int ordered, const DecimalNumber *a, const DecimalNumber *b,
                 uint32_t *status, DFP_RoundingCase *roundingCase, DecimalIntermediate *intermediate);
void DFP_Status_Adjust_Compare(uint32_t *status);
void DFP_Load_And_Test(const DFP_Environment *env, const DecimalNumber *a, DecimalNumber *result,
                       uint32_t *status, DFP_RoundingCase *roundingCase, DecimalIntermediate *intermediate);

// Widening (decimal32 to decimal64, decimal64 to decimal128); always exact.
void DFP_ConvertTo(const DFP_Environment *env, const DecimalNumber *a, int keepSNaN, int canonicalInfinity,
                   DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase);
