// The decimal rounder.
#include "dfp/decimal_round.h"

#include "dfp/decimal_compare.h"
#include "dfp/dfp_assert.h"
#include "dfp/dfp_exceptions.h"

namespace
{
const char *const kPath = "common/dfp/DecimalFP_Rounder";

BCDnumber *coef(DecimalNumber *n)
{
    return &n->coefficient.bcdnumber;
}
const BCDnumber *coef(const DecimalNumber *n)
{
    return &n->coefficient.bcdnumber;
}

// Right shift by k digits; returns 1 when a dropped digit was nonzero.
int shiftRightSticky(const BCDnumber *src, uint32_t k, BCDnumber *dst)
{
    int lost = 0;
    if (k > 0) {
        BCDnumber low;
        BCD_GetLowerDigits(src, k, &low);
        lost = !BCD_IsZero(&low);
    }
    BCD_ShiftRight(src, k, dst);
    return lost;
}

} // namespace

void DFP_convertWideResultToIm(const BCDnumber *coefficient, DecimalIntermediate *intermediate,
                               int32_t extraDigits)
{
    DecimalNumber *im = &intermediate->decimalNumber;
    const int32_t c = (int32_t)BCD_GetNumDigits(coefficient);
    const int32_t d = c - im->format.precision;
    if (d >= 0) {
        if (shiftRightSticky(coefficient, (uint32_t)d, coef(im))) intermediate->sticky = 1;
        im->exponent += extraDigits + d;
    } else if (-d < extraDigits) {
        BCD_ShiftLeft(coefficient, (uint32_t)-d, coef(im));
        im->exponent += extraDigits + d;
    } else {
        BCD_ShiftLeft(coefficient, (uint32_t)extraDigits, coef(im));
    }
}

void DFP_ConstructImFromPreRoundingOp(const DecimalNumber *preRound, DecimalIntermediate *intermediate)
{
    DecimalNumber *im = &intermediate->decimalNumber;
    im->type = Normal;
    im->sign = preRound->sign;
    im->exponent = preRound->exponent;
    DFP_convertWideResultToIm(coef(preRound), intermediate,
                              im->format.precision - preRound->format.precision);
}

void DFP_CreateIntermediateForRounding(const DecimalNumber *operand, DecimalIntermediate *intermediate,
                                       int32_t P)
{
    DFP_OperandToIntermediate(operand, intermediate);
    DecimalNumber *im = &intermediate->decimalNumber;
    const int32_t c = (int32_t)BCD_GetNumDigits(coef(im));
    if (c - P < 2) {
        im->format.precision = P + 1;
    } else {
        im->format.precision = c;
        im->exponent += c - P - 1;
    }
}

int Truncate(const DecimalIntermediate *intermediate, int noClamp, DecimalNumber *result)
{
    const DecimalNumber *im = &intermediate->decimalNumber;
    int32_t d = im->format.precision - result->format.precision;
    DFP_CHECK(d > 0, "precDiff> 0", kPath);
    DFP_CHECK((int)im->format.precision >= (int)BCD_GetNumDigits(coef(im)),
              "(int)im->decimalNumber.format.precision >= "
              "BCD_GetNumDigits(&im->decimalNumber.coefficient.bcdnumber)",
              kPath);
    result->type = Normal;
    result->sign = im->sign;
    result->exponent = im->exponent;
    if (!noClamp && im->exponent < result->format.UxMin) {
        d += result->format.UxMin - im->exponent;
        result->exponent = result->format.UxMin;
    }
    BCD_ShiftRight(coef(im), (uint32_t)d, coef(result));
    const uint32_t roundDigit = BCD_GetDigit(coef(im), (uint32_t)d - 1);
    bool lowerNonzero = intermediate->sticky != 0;
    if (!lowerNonzero && d > 1) {
        BCDnumber low;
        BCD_GetLowerDigits(coef(im), (uint32_t)d - 1, &low);
        lowerNonzero = !BCD_IsZero(&low);
    }
    if (lowerNonzero) return roundDigit <= 4 ? 1 : 3;
    if (roundDigit == 0) return 0;
    return roundDigit < 5 ? 1 : roundDigit == 5 ? 2 : 3;
}

void DFP_RoundZero(const DecimalIntermediate *intermediate, DecimalNumber *result)
{
    const DecimalNumber *im = &intermediate->decimalNumber;
    result->type = Normal;
    result->sign = im->sign;
    int32_t e = im->exponent;
    if (e < result->format.UxMin) e = result->format.UxMin;
    if (e > result->format.UxMax) e = result->format.UxMax;
    result->exponent = e;
    BCD_SetZero(coef(result));
}

void DFP_RoundZeroWithSticky(const DecimalIntermediate *intermediate, const DFP_Environment *env,
                             DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase)
{
    const DecimalNumber *im = &intermediate->decimalNumber;
    *status |= DFP_STATUS_FI;
    result->type = Normal;
    result->sign = im->sign;
    result->exponent = im->exponent;
    BCD_SetZero(coef(result));
    roundingCase->inexact = 1;
    roundingCase->inexactAtFullPrecision = 1;
    bool up;
    switch (env->roundingMode) {
    case DFP_RM_TOWARD_PLUS:
        up = im->sign == 0;
        break;
    case DFP_RM_TOWARD_MINUS:
        up = im->sign != 0;
        break;
    case DFP_RM_AWAY_FROM_ZERO:
    case DFP_RM_PREPARE_SHORTER:
        up = true;
        break;
    case DFP_RM_NEAREST_EVEN:
    case DFP_RM_TOWARD_ZERO:
    case DFP_RM_NEAREST_AWAY:
    case DFP_RM_NEAREST_TOWARD_ZERO:
        up = false;
        break;
    default:
        DFP_Assert("Invalid_rounding_mode_in_DFP_RoundZeroWithSticky", kPath, __LINE__);
    }
    if (up) {
        BCD_SetOne(coef(result));
        roundingCase->magnitudeIncreased = 1;
        roundingCase->coefficientIncremented = 1;
        *status |= DFP_STATUS_FR;
    }
}

void DFP2Positive(DecimalIntermediate *copy, DFP_Environment *workingEnv)
{
    DFP_CHECK(workingEnv->roundingMode >= 0 && workingEnv->roundingMode <= 7,
              "Invalid_rounding_mode_in_DFP2Positive", kPath);
    if (copy->decimalNumber.sign == 0) return;
    copy->decimalNumber.sign = 0;
    if (workingEnv->roundingMode == DFP_RM_TOWARD_PLUS)
        workingEnv->roundingMode = DFP_RM_TOWARD_MINUS;
    else if (workingEnv->roundingMode == DFP_RM_TOWARD_MINUS)
        workingEnv->roundingMode = DFP_RM_TOWARD_PLUS;
}

void HandleUnderflow(DecimalIntermediate *copy, const DecimalNumber *resultFormat, const DFP_Environment *env,
                     int *noClamp, uint32_t *status, DFP_RoundingCase *roundingCase, int32_t *expAdjust)
{
    DecimalIntermediate smallestNormal;
    smallestNormal.decimalNumber.format = copy->decimalNumber.format;
    DFP_ImSetSpecificNumber(&smallestNormal, resultFormat, 2);
    if (DFP_CompareImByAbsValue(copy, &smallestNormal) >= 0) return;

    DecimalNumber scratch = *resultFormat;
    const bool losesDigits = Truncate(copy, 0, &scratch) != 0;
    if (env->enables & DFP_ENABLE_UNDERFLOW) {
        *status |= DFP_STATUS_UNDERFLOW;
        if (losesDigits) roundingCase->inexact = 1;
        int32_t adjust = copy->decimalNumber.format.biasAdjust;
        if (env->operation == DFP_OPCLASS_ROUND_SHORTER) {
            adjust /= 3;
            *noClamp = 1;
        }
        *expAdjust = adjust;
        copy->decimalNumber.exponent += adjust;
    } else if (losesDigits) {
        *status |= DFP_STATUS_UNDERFLOW;
    }
}

void HandleOverflow(DecimalNumber *number, const DFP_Environment *workingEnv, const DecimalIntermediate *copy,
                    int *noClamp, uint32_t *status, DFP_RoundingCase *roundingCase, int32_t *expAdjust)
{
    if (*noClamp) return;
    DecimalNumber largest;
    DFP_OpSetSpecificNumber(&largest, number, 3);
    if (DFP_CompareOperandsByAbsValue(number, &largest) <= 0) return;

    roundingCase->inexact = 1;
    bool toInfinity;
    switch (workingEnv->roundingMode) {
    case DFP_RM_NEAREST_EVEN:
    case DFP_RM_TOWARD_PLUS:
    case DFP_RM_NEAREST_AWAY:
    case DFP_RM_NEAREST_TOWARD_ZERO:
    case DFP_RM_AWAY_FROM_ZERO:
        toInfinity = true;
        roundingCase->magnitudeIncreased = 1;
        break;
    case DFP_RM_TOWARD_ZERO:
    case DFP_RM_TOWARD_MINUS:
    case DFP_RM_PREPARE_SHORTER:
        toInfinity = false;
        break;
    default:
        DFP_Assert("Invalid_rounding_mode_in_HandleOverflow", kPath, __LINE__);
    }
    if (workingEnv->enables & DFP_ENABLE_OVERFLOW) {
        *status |= DFP_STATUS_OVERFLOW;
        int32_t adjust = -copy->decimalNumber.format.biasAdjust;
        if (workingEnv->operation == DFP_OPCLASS_ROUND_SHORTER) {
            adjust /= 3;
            *noClamp = 1;
        }
        *expAdjust = adjust;
        number->exponent += adjust;
        return;
    }
    *status |= DFP_STATUS_OVERFLOW | DFP_STATUS_FI;
    const int32_t sign = number->sign;
    if (toInfinity) {
        DFP_OpSetInfinity(number);
        *status |= DFP_STATUS_FR;
    } else {
        DFP_OpSetSpecificNumber(number, number, 3);
        *status &= ~DFP_STATUS_FR;
    }
    number->sign = sign;
}

void Clamp(DecimalNumber *number)
{
    if (number->type != Normal || number->exponent <= number->format.UxMax) return;
    BCD_ShiftLeft(coef(number), (uint32_t)(number->exponent - number->format.UxMax), coef(number));
    number->exponent = number->format.UxMax;
}

int RoundToNearest_Direction(int32_t mode, int code, uint32_t lastDigit)
{
    switch (mode) {
    case DFP_RM_NEAREST_EVEN:
        return code == 3 || (code == 2 && (lastDigit & 1));
    case DFP_RM_NEAREST_AWAY:
        return code >= 2;
    case DFP_RM_NEAREST_TOWARD_ZERO:
        return code == 3;
    default:
        return 0;
    }
}

int RoundForReround_Direction(int code, uint32_t lastDigit)
{
    return code != 0 && (lastDigit == 0 || lastDigit == 5);
}

void DFP_Round(const DecimalIntermediate *intermediate, const DFP_Environment *env, DecimalNumber *result,
               uint32_t *status, DFP_RoundingCase *roundingCase, int32_t *expAdjust)
{
    DFP_CHECK(intermediate->decimalNumber.type == Normal, "im->decimalNumber.type == Normal", kPath);
    *expAdjust = 0;
    DFP_InitRoundingCase(roundingCase);
    int noClamp = 0;

    if (BCD_IsZero(coef(&intermediate->decimalNumber))) {
        if (intermediate->sticky)
            DFP_RoundZeroWithSticky(intermediate, env, result, status, roundingCase);
        else
            DFP_RoundZero(intermediate, result);
        return;
    }

    DecimalIntermediate copy = *intermediate;
    DFP_Environment working = *env;
    DFP2Positive(&copy, &working);
    *status &= ~(DFP_STATUS_FR | DFP_STATUS_FI);

    HandleUnderflow(&copy, result, &working, &noClamp, status, roundingCase, expAdjust);

    DecimalNumber scratch = *result;
    const int code = Truncate(&copy, noClamp, &scratch);
    const int32_t P = result->format.precision;
    if (code != 0) {
        *status |= DFP_STATUS_FI;
        roundingCase->inexact = 1;
        const int32_t guard = copy.decimalNumber.format.precision - P;
        if (BCD_CountTrailingZeros(coef(&copy.decimalNumber)) < guard || copy.sticky)
            roundingCase->inexactAtFullPrecision = 1;
    }

    const uint32_t lastDigit = BCD_GetDigit(coef(&scratch), 0);
    int increment;
    switch (working.roundingMode) {
    case DFP_RM_NEAREST_EVEN:
    case DFP_RM_NEAREST_AWAY:
    case DFP_RM_NEAREST_TOWARD_ZERO:
        increment = RoundToNearest_Direction(working.roundingMode, code, lastDigit);
        break;
    case DFP_RM_TOWARD_ZERO:
    case DFP_RM_TOWARD_MINUS:
        increment = 0;
        break;
    case DFP_RM_TOWARD_PLUS:
    case DFP_RM_AWAY_FROM_ZERO:
        increment = code != 0;
        break;
    case DFP_RM_PREPARE_SHORTER:
        increment = RoundForReround_Direction(code, lastDigit);
        break;
    default:
        DFP_Assert("Invalid_rounding_mode_in_DFP_Round", kPath, __LINE__);
    }
    if (increment) {
        *status |= DFP_STATUS_FR;
        roundingCase->coefficientIncremented = 1;
        roundingCase->magnitudeIncreased = 1;
        BCD_AddOne(coef(&scratch));
        if ((int32_t)BCD_GetNumDigits(coef(&scratch)) > P) {
            BCD_ShiftRight(coef(&scratch), 1, coef(&scratch));
            scratch.exponent++;
        }
    }

    HandleOverflow(&scratch, &working, &copy, &noClamp, status, roundingCase, expAdjust);
    *result = scratch;
    if (!noClamp) Clamp(result);
    if (intermediate->decimalNumber.sign) result->sign = 1;
}

void DFP_RoundAndSetStatus(const DecimalIntermediate *intermediate, int32_t, const DFP_Environment *env,
                           int writeFrFi, DecimalNumber *result, uint32_t *status,
                           DFP_RoundingCase *roundingCase)
{
    int32_t expAdjust;
    DFP_Round(intermediate, env, result, status, roundingCase, &expAdjust);
    DFP_SetStatus(env, writeFrFi, result, status);
}
