// The decimal rounder: forming intermediates for rounding, and DFP_Round with its eight rounding
// modes, tie-breaks, underflow (tininess before rounding), overflow, exponent clamping and the
// exponent scaling of trapped overflow and underflow.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"
#include "dfp/dfp_environment.h"

// An exact result coefficient * 10^E (E already in the intermediate's exponent) into intermediate
// form for precision `precision` - extraDigits: long coefficients are cut to the intermediate's
// precision with sticky, short ones keep the exponent when they fit.
void DFP_convertWideResultToIm(const BCDnumber *coefficient, DecimalIntermediate *intermediate,
                               int32_t extraDigits);
// preRound (a number in the operand format, coefficient possibly longer) into the intermediate.
void DFP_ConstructImFromPreRoundingOp(const DecimalNumber *preRound, DecimalIntermediate *intermediate);
// An operand as an intermediate to be rounded to P digits; the intermediate's precision is widened
// to hold the whole coefficient.
void DFP_CreateIntermediateForRounding(const DecimalNumber *operand, DecimalIntermediate *intermediate,
                                       int32_t P);

// Rounds the Normal intermediate into the format already set in result. *expAdjust is the exponent
// scaling applied by a trapped overflow or underflow (0 otherwise).
void DFP_Round(const DecimalIntermediate *intermediate, const DFP_Environment *env, DecimalNumber *result,
               uint32_t *status, DFP_RoundingCase *roundingCase, int32_t *expAdjust);
void DFP_RoundAndSetStatus(const DecimalIntermediate *intermediate, int32_t idealExponent,
                           const DFP_Environment *env, int writeFrFi, DecimalNumber *result, uint32_t *status,
                           DFP_RoundingCase *roundingCase);

// The steps of DFP_Round.
// Truncates to the result precision (and below UxMin to the subnormal exponent unless noClamp):
// returns 0 exact, 1 below half, 2 exactly half, 3 above half.
int Truncate(const DecimalIntermediate *intermediate, int noClamp, DecimalNumber *result);
void DFP_RoundZero(const DecimalIntermediate *intermediate, DecimalNumber *result);
void DFP_RoundZeroWithSticky(const DecimalIntermediate *intermediate, const DFP_Environment *env,
                             DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase);
// Makes copy positive; for a negative value modes 2 and 3 are exchanged in workingEnv.
void DFP2Positive(DecimalIntermediate *copy, DFP_Environment *workingEnv);
void HandleUnderflow(DecimalIntermediate *copy, const DecimalNumber *resultFormat, const DFP_Environment *env,
                     int *noClamp, uint32_t *status, DFP_RoundingCase *roundingCase, int32_t *expAdjust);
void HandleOverflow(DecimalNumber *number, const DFP_Environment *workingEnv, const DecimalIntermediate *copy,
                    int *noClamp, uint32_t *status, DFP_RoundingCase *roundingCase, int32_t *expAdjust);
void Clamp(DecimalNumber *number);
// Whether the truncated coefficient is incremented: the nearest modes (0, 4, 5) and mode 7.
int RoundToNearest_Direction(int32_t mode, int code, uint32_t lastDigit);
int RoundForReround_Direction(int code, uint32_t lastDigit);
