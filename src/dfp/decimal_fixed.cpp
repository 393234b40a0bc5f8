// Decimal to and from 64-bit integers.
#include "dfp/decimal_fixed.h"

#include "dfp/decimal_round.h"
#include "dfp/dfp_assert.h"
#include "dfp/dfp_exceptions.h"
#include "dfp/dfp_status_map.h"

namespace
{
const char *const kPath = "common/dfp/DecimalFP_ConvertToFixed";
}

void DFP_ConvertFromFixed(const DFP_Environment *env, int64_t value, int writeFrFi, DecimalNumber *result,
                          uint32_t *status, DFP_RoundingCase *roundingCase, DecimalIntermediate *intermediate)
{
    *status = 0;
    DFP_InitRoundingCase(roundingCase);
    intermediate->sticky = 0;
    DecimalNumber *im = &intermediate->decimalNumber;
    im->type = Normal;
    im->sign = value < 0;
    im->exponent = 0;
    const uint64_t magnitude = value < 0 ? 0 - (uint64_t)value : (uint64_t)value;
    BCDnumber c;
    BCD_FromInteger(magnitude, &c);
    DFP_convertWideResultToIm(&c, intermediate, im->format.precision - result->format.precision);
    DFP_RoundAndSetStatus(intermediate, 0, env, writeFrFi, result, status, roundingCase);
}

void DFP_ConvertToFixed_Overflow(const DFP_Environment *env, int32_t sign, int64_t *out, uint32_t *status,
                                 DFP_RoundingCase *roundingCase)
{
    *status = DFP_STATUS_VXCVI;
    roundingCase->inexact = 1;
    if (!(env->enables & DFP_ENABLE_INVALID)) *out = sign ? INT64_MIN : INT64_MAX;
}

void DFP_PrepareBCD_Underflow(const DFP_Environment *env, int32_t sign, BCDnumber *integer, uint32_t *status,
                              DFP_RoundingCase *roundingCase)
{
    *status |= DFP_STATUS_FI;
    roundingCase->inexact = 1;
    bool one;
    switch (env->roundingMode) {
    case DFP_RM_TOWARD_PLUS:
        one = !sign;
        break;
    case DFP_RM_TOWARD_MINUS:
        one = sign;
        break;
    case DFP_RM_AWAY_FROM_ZERO:
    case DFP_RM_PREPARE_SHORTER:
        one = true;
        break;
    case DFP_RM_NEAREST_EVEN:
    case DFP_RM_TOWARD_ZERO:
    case DFP_RM_NEAREST_AWAY:
    case DFP_RM_NEAREST_TOWARD_ZERO:
        one = false;
        break;
    default:
        DFP_Assert("Invalid_rounding_mode_in_DFP_PrepareBCD_Underflow", kPath, __LINE__);
    }
    if (one) {
        BCD_SetOne(integer);
        *status |= DFP_STATUS_FR;
        roundingCase->magnitudeIncreased = 1;
    } else {
        BCD_SetZero(integer);
    }
}

void DFP_ConvertBCDnumberToFixed(const DFP_Environment *env, int32_t sign, const BCDnumber *integer,
                                 int64_t *out, uint32_t *status, DFP_RoundingCase *roundingCase)
{
    uint64_t v;
    if (BCD_ToInteger(integer, &v)) {
        if (!sign && v <= (uint64_t)INT64_MAX) {
            *out = (int64_t)v;
            return;
        }
        if (sign && v <= (uint64_t)1 << 63) {
            *out = (int64_t)(0 - v);
            return;
        }
    }
    DFP_ConvertToFixed_Overflow(env, sign, out, status, roundingCase);
}

void DFP_ConvertToFixed(const DFP_Environment *env, const DecimalNumber *a, int64_t *out, uint32_t *status,
                        DFP_RoundingCase *roundingCase)
{
    *status = 0;
    DFP_InitRoundingCase(roundingCase);
    if (DFP_OpIsNAN(a)) {
        *status |= DFP_STATUS_VXCVI | (DFP_OpIsSNAN(a) ? DFP_STATUS_VXSNAN : 0);
        if (!(env->enables & DFP_ENABLE_INVALID)) *out = INT64_MIN;
    } else if (DFP_OpIsZero(a)) {
        *out = 0;
    } else if (a->type == Infinity || a->exponent >= MIN_EXP_OBVIOUS_OVERFLOW) {
        DFP_ConvertToFixed_Overflow(env, a->sign, out, status, roundingCase);
    } else {
        BCDnumber integer;
        if (a->exponent >= 0) {
            BCD_ShiftLeft(&a->coefficient.bcdnumber, (uint32_t)a->exponent, &integer);
        } else {
            DecimalIntermediate im{};
            im.decimalNumber.format = a->format;
            im.decimalNumber.format.precision++;
            im.decimalNumber.type = Normal;
            im.decimalNumber.sign = a->sign;
            im.decimalNumber.exponent = 0;
            const uint32_t shift = (uint32_t)(-a->exponent - 1);
            BCDnumber *c = &im.decimalNumber.coefficient.bcdnumber;
            if (shift > 0) {
                BCDnumber low;
                BCD_GetLowerDigits(&a->coefficient.bcdnumber, shift, &low);
                im.sticky = !BCD_IsZero(&low);
            }
            BCD_ShiftRight(&a->coefficient.bcdnumber, shift, c);
            if (BCD_IsZero(c)) {
                DFP_PrepareBCD_Underflow(env, a->sign, &integer, status, roundingCase);
            } else {
                DecimalNumber fixedExpOp = *a;
                int32_t expAdjust;
                DFP_Round(&im, env, &fixedExpOp, status, roundingCase, &expAdjust);
                DFP_CHECK(fixedExpOp.exponent == 0, "fixedExpOp.exponent == 0", kPath);
                integer = fixedExpOp.coefficient.bcdnumber;
            }
        }
        DFP_ConvertBCDnumberToFixed(env, a->sign, &integer, out, status, roundingCase);
    }
    *status |= DFP_STATUS_WRITE_FRFI;
    if (*status & DFP_STATUS_FI) *status |= DFP_STATUS_INEXACT;
    if (!((env->enables & DFP_ENABLE_INVALID) && (*status & DFP_STATUS_VXCVI))) {
        *status |= DFP_STATUS_DELIVERED;
        DFP_ConvertToFixedUpdateStatus(env->system, a, status);
    }
}
