// Round to shorter, round to integer, quantize, reround.
#include "dfp/decimal_round_ops.h"

#include "dfp/decimal_arith.h"
#include "dfp/decimal_round.h"
#include "dfp/dfp_assert.h"
#include "dfp/dfp_exceptions.h"

namespace
{
// Right shift by k digits into dst; returns 1 when a dropped digit was nonzero.
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

// dst = src shifted right by k digits (sticky) for k > 0, left by -k otherwise.
void shiftBy(const BCDnumber *src, int32_t k, DecimalIntermediate *im)
{
    BCDnumber *dst = &im->decimalNumber.coefficient.bcdnumber;
    if (k > 0) {
        if (shiftRightSticky(src, (uint32_t)k, dst)) im->sticky = 1;
    } else {
        BCD_ShiftLeft(src, (uint32_t)-k, dst);
    }
}

void setInfinity(int32_t sign, DecimalNumber *result)
{
    DFP_OpSetInfinity(result);
    result->sign = sign;
}

// The environment with the instruction's RMC (R = 0) and no underflow enable.
DFP_Environment workingEnvironment(const DFP_Environment *env, uint32_t rmc)
{
    DFP_Environment w;
    DFP_UpdateEnvironmentFromInput(env, 0, rmc, &w);
    w.enables &= (uint8_t)~DFP_ENABLE_UNDERFLOW;
    return w;
}

} // namespace

void DFP_RoundTo(const DFP_Environment *env, const DecimalNumber *operand, int keepSNaN,
                 int canonicalInfinity, DecimalNumber *result, uint32_t *status,
                 DFP_RoundingCase *roundingCase, DecimalIntermediate *intermediate)
{
    *status = 0;
    DFP_InitRoundingCase(roundingCase);
    intermediate->sticky = 0;
    if (DFP_OpIsSNAN(operand)) {
        if (keepSNaN) {
            DFP_Form_SNAN_Result(operand, result);
            *status = 0x80601000;
            return;
        }
        *status |= DFP_STATUS_WRITE_FRFI;
    }
    if (DFP_HandleNANs(env, operand, operand, result, status)) return;
    intermediate->decimalNumber.format = result->format.precision > 7 ? DFP_FormatWide128 : DFP_FormatWide64;
    if (operand->type == Infinity) {
        if (canonicalInfinity)
            DFP_SetInfiniteResult(operand->sign, result, status);
        else
            DFP_CoerceInfiniteResult(operand, result, status);
        DFP_set_post_operation_status(result, status);
        return;
    }
    DFP_CreateIntermediateForRounding(operand, intermediate, result->format.precision);
    int32_t expAdjust;
    DFP_Round(intermediate, env, result, status, roundingCase, &expAdjust);
    if (((*status & DFP_STATUS_UNDERFLOW) && (env->enables & DFP_ENABLE_UNDERFLOW)) ||
        ((*status & DFP_STATUS_OVERFLOW) && (env->enables & DFP_ENABLE_OVERFLOW)))
        DFP_CopyFormat(operand, result);
    DFP_SetStatus(env, 1, result, status);
}

void DFP_RoundTo_WithRM(const DFP_Environment *env, const DecimalNumber *operand, int applyField,
                        uint32_t field, int keepSNaN, int canonicalInfinity, DecimalNumber *result,
                        uint32_t *status, DFP_RoundingCase *roundingCase, DecimalIntermediate *intermediate)
{
    DFP_Environment local = *env;
    if (applyField) DFP_UpdateEnvironmentFromInput(env, 0, field, &local);
    DFP_RoundTo(&local, operand, keepSNaN, canonicalInfinity, result, status, roundingCase, intermediate);
}

void DFP_RoundFPInteger(const DFP_Environment *env, const DecimalNumber *operand, int signalInexact,
                        DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
                        DecimalIntermediate *intermediate)
{
    *status = 0;
    DFP_InitRoundingCase(roundingCase);
    intermediate->sticky = 0;
    if (DFP_HandleNANs(env, operand, operand, result, status)) return;
    *status |= DFP_STATUS_WRITE_FRFI;
    if (operand->type == Infinity) {
        setInfinity(operand->sign, result);
    } else if (operand->exponent < 0) {
        DecimalNumber *im = &intermediate->decimalNumber;
        im->type = Normal;
        im->exponent = 0;
        im->sign = operand->sign;
        const BCDnumber *c = &operand->coefficient.bcdnumber;
        const int32_t digits = BCD_IsZero(c) ? 0 : (int32_t)BCD_GetNumDigits(c);
        int32_t n = -operand->exponent - 1;
        if (digits < n) n = digits;
        shiftBy(c, n, intermediate);
        DFP_RoundAndSetStatus(intermediate, 0, env, 1, result, status, roundingCase);
        if (!signalInexact) *status &= ~(DFP_STATUS_FR | DFP_STATUS_FI | DFP_STATUS_INEXACT);
        return;
    } else {
        DFP_CopyOperandValue(operand, result);
    }
    DFP_SetStatus(env, 1, result, status);
}

void DFP_Quantize(const DFP_Environment *env, const DecimalNumber *reference, const DecimalNumber *operand,
                  uint32_t rmc, DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
                  DecimalIntermediate *intermediate)
{
    *status = DFP_STATUS_WRITE_FRFI;
    DFP_InitRoundingCase(roundingCase);
    intermediate->sticky = 0;
    if (DFP_HandleNANs(env, reference, operand, result, status)) return;
    if (reference->type == Infinity || operand->type == Infinity) {
        if (reference->type == Infinity && operand->type == Infinity) {
            setInfinity(operand->sign, result);
        } else {
            DFP_invalid_operation_exceptions(env, env->operation, DFP_STATUS_VXCVI, status, result);
            if (env->enables & DFP_ENABLE_INVALID) return;
        }
        DFP_SetStatus(env, 1, result, status);
        return;
    }
    if (DFP_OpIsZero(operand)) {
        DFP_CopyOperandValue(operand, result);
        result->exponent = reference->exponent;
        DFP_SetStatus(env, 1, result, status);
        return;
    }
    const DFP_Environment working = workingEnvironment(env, rmc);
    DecimalNumber *im = &intermediate->decimalNumber;
    const int32_t s = reference->exponent - operand->exponent;
    const int32_t g = im->format.precision - operand->format.precision;
    const BCDnumber *c = &operand->coefficient.bcdnumber;
    if (s <= 0 && (int32_t)BCD_GetNumDigits(c) - s > operand->format.precision) {
        DFP_invalid_operation_exceptions(env, env->operation, DFP_STATUS_VXCVI, status, result);
        if (!(env->enables & DFP_ENABLE_INVALID)) DFP_SetStatus(env, 1, result, status);
        *status &= ~DFP_STATUS_UNDERFLOW;
        return;
    }
    im->type = Normal;
    im->sign = operand->sign;
    im->exponent = reference->exponent;
    shiftBy(c, s <= 0 ? -(g - s) : s - g, intermediate);
    DFP_RoundAndSetStatus(intermediate, reference->exponent, &working, 1, result, status, roundingCase);
    *status &= ~DFP_STATUS_UNDERFLOW;
}

void DFP_Reround(const DFP_Environment *env, uint32_t referenceSignificance, const DecimalNumber *operand,
                 uint32_t rmc, DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
                 DecimalIntermediate *intermediate)
{
    const char *const path = "common/dfp/DecimalFP_Reround";
    *status = DFP_STATUS_WRITE_FRFI;
    DFP_InitRoundingCase(roundingCase);
    intermediate->sticky = 0;
    if (DFP_OpIsNAN(operand)) {
        DecimalNumber zero;
        DFP_OpSetSpecificNumber(&zero, operand, 0);
        DFP_HandleNANs(env, operand, &zero, result, status);
        return;
    }
    if (operand->type == Infinity) {
        setInfinity(operand->sign, result);
        DFP_SetStatus(env, 1, result, status);
        return;
    }
    const BCDnumber *c = &operand->coefficient.bcdnumber;
    const int32_t b = (int32_t)BCD_GetNumDigits(c);
    const int32_t k = (int32_t)(referenceSignificance > 64 ? 64 : referenceSignificance);
    if (k == 0 || k >= b || BCD_IsZero(c)) {
        DFP_CopyOperandValue(operand, result);
        DFP_SetStatus(env, 1, result, status);
        return;
    }
    const DFP_Environment working = workingEnvironment(env, rmc);
    DecimalNumber *im = &intermediate->decimalNumber;
    const int32_t P = operand->format.precision, W = im->format.precision;
    im->type = Normal;
    im->sign = operand->sign;
    im->exponent = operand->exponent + b - k;
    shiftBy(c, P + b - k - W, intermediate);

    auto invalid = [&](uint32_t drop) {
        *status &= ~drop;
        DFP_invalid_operation_exceptions(env, DFP_OPCLASS_REROUND, DFP_STATUS_VXCVI, status, result);
    };
    int32_t expAdjust;
    DFP_Round(intermediate, &working, result, status, roundingCase, &expAdjust);
    *status &= ~DFP_STATUS_UNDERFLOW;
    if (*status & DFP_STATUS_OVERFLOW) {
        invalid(DFP_STATUS_FR | DFP_STATUS_FI | DFP_STATUS_OVERFLOW | DFP_STATUS_UNDERFLOW |
                DFP_STATUS_INEXACT | DFP_STATUS_ZERO_DIVIDE);
        return;
    }
    BCDnumber *rc = &result->coefficient.bcdnumber;
    const int32_t clampAmount = im->exponent - result->format.UxMax;
    if (clampAmount > 0) {
        DFP_CHECK(BCD_CountTrailingZeros(&result->coefficient.bcdnumber) >= clampAmount,
                  "BCD_CountTrailingZeros(&finalResult->coefficient.bcdnumber) >= clampAmount", path);
        BCD_ShiftRight(rc, (uint32_t)clampAmount, rc);
        result->exponent += clampAmount;
    }
    const int32_t Prec = k;
    if ((int32_t)BCD_GetNumDigits(rc) > Prec) {
        DFP_CHECK((int32_t)BCD_GetNumDigits(&result->coefficient.bcdnumber) - Prec == 1,
                  "BCD_GetNumDigits(&finalResult->coefficient.bcdnumber) - Prec == 1", path);
        BCDnumber *ic = &im->coefficient.bcdnumber;
        BCD_ShiftRight(ic, 1, ic);
        im->exponent++;
        DFP_Round(intermediate, &working, result, status, roundingCase, &expAdjust);
        *status &= ~DFP_STATUS_UNDERFLOW;
    }
    if (im->exponent > result->format.UxMax || (*status & DFP_STATUS_OVERFLOW)) {
        invalid(DFP_STATUS_FR | DFP_STATUS_FI | DFP_STATUS_OVERFLOW | DFP_STATUS_INEXACT);
        DFP_InitRoundingCase(roundingCase);
        return;
    }
    DFP_SetStatus(&working, 1, result, status);
}
