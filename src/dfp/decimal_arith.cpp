// Decimal add, multiply, compare and their special cases.
#include "dfp/decimal_arith.h"

#include "dfp/decimal_compare.h"
#include "dfp/decimal_round.h"
#include "dfp/dfp_assert.h"
#include "dfp/dfp_exceptions.h"

namespace
{
const BCDnumber *coef(const DecimalNumber *n)
{
    return &n->coefficient.bcdnumber;
}

bool isZero(const DecimalNumber *n)
{
    return n->type == Normal && BCD_IsZero(coef(n));
}
} // namespace

int DFP_HandleNANs(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                   DecimalNumber *result, uint32_t *status)
{
    if (!DFP_OpIsNAN(a) && !DFP_OpIsNAN(b)) return 0;
    if (DFP_OpIsSNAN(a) || DFP_OpIsSNAN(b)) {
        const DecimalNumber *nan = DFP_OpIsSNAN(a) ? a : b;
        DFP_invalid_operation_exceptions(env, env->operation, DFP_STATUS_VXSNAN, status, result);
        DFP_Form_QNAN_Result(nan, result);
        return 1;
    }
    const bool noFrFi = env->operation == DFP_OPCLASS_COMPARE || env->operation == DFP_OPCLASS_CONVERT;
    *status |= noFrFi ? 0x80211000u : 0x80611000u;
    DFP_Form_QNAN_Result(DFP_OpIsQNAN(a) ? a : b, result);
    return 1;
}

int DFP_AddSpecialNumbers(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                          DecimalNumber *result, uint32_t *status)
{
    if (a->type != Infinity && b->type != Infinity) return 0;
    if (a->type == Infinity && b->type == Infinity && a->sign != b->sign) {
        DFP_invalid_operation_exceptions(env, DFP_OPCLASS_ARITHMETIC, DFP_STATUS_VXISI, status, result);
        *status |= DFP_STATUS_DEFAULT_QNAN;
        return 1;
    }
    DFP_SetInfiniteResult(a->type == Infinity ? a->sign : b->sign, result, status);
    return 1;
}

int DFP_MultiplySpecialNumbers(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                               DecimalNumber *result, uint32_t *status)
{
    if (a->type != Infinity && b->type != Infinity) return 0;
    if (isZero(a) || isZero(b)) {
        DFP_invalid_operation_exceptions(env, DFP_OPCLASS_ARITHMETIC, DFP_STATUS_VXIMZ, status, result);
        return 1;
    }
    DFP_SetInfiniteResult(a->sign != b->sign, result, status);
    return 1;
}

void DFP_Add(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
             DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
             DecimalIntermediate *intermediate)
{
    *status = 0;
    DFP_InitRoundingCase(roundingCase);
    intermediate->sticky = 0;
    if (DFP_HandleNANs(env, a, b, result, status)) return;
    if (DFP_AddSpecialNumbers(env, a, b, result, status)) return;

    DecimalNumber pre = *a;
    pre.type = Normal;
    // L has the larger exponent (a when equal); both get three guard digits.
    const DecimalNumber *L = a, *S = b;
    if (b->exponent > a->exponent) {
        L = b;
        S = a;
    }
    const int32_t d = L->exponent - S->exponent;
    BCDnumber Lp, Sp, R;
    BCD_ShiftLeft(coef(L), 3, &Lp);
    BCD_ShiftLeft(coef(S), 3, &Sp);
    int32_t keep = 3, f = 0;
    if (d == 0) {
        pre.exponent = L->exponent;
    } else {
        const int32_t room = L->format.precision - (int32_t)BCD_GetNumDigits(coef(L));
        if (d <= room) {
            BCD_ShiftLeft(&Lp, (uint32_t)d, &Lp);
            pre.exponent = L->exponent - d;
        } else if (BCD_IsZero(coef(L))) {
            pre.exponent = S->exponent;
        } else {
            BCD_ShiftLeft(&Lp, (uint32_t)room, &Lp);
            pre.exponent = L->exponent - room;
            if (!BCD_IsZero(coef(S))) {
                BCD_ShiftRightOR(&Sp, (uint32_t)(d - room), &Sp);
                f = d - room < 3 ? d - room : 3;
                keep = 3 - f;
            }
        }
    }
    if (L->sign == S->sign) {
        BCD_Add(&Lp, &Sp, &R);
        pre.sign = L->sign;
    } else {
        const int c = BCD_Compare(&Lp, &Sp);
        if (c > 0) {
            BCD_Subtract(&Lp, &Sp, &R);
            pre.sign = L->sign;
        } else if (c < 0) {
            BCD_Subtract(&Sp, &Lp, &R);
            pre.sign = S->sign;
        } else {
            BCD_SetZero(&R);
            pre.sign = env->roundingMode == DFP_RM_TOWARD_MINUS ? 1 : 0;
        }
    }
    BCD_ShiftRight(&R, (uint32_t)keep, &pre.coefficient.bcdnumber);
    pre.exponent -= f;
    DFP_ConstructImFromPreRoundingOp(&pre, intermediate);
    const int32_t ideal = a->exponent < b->exponent ? a->exponent : b->exponent;
    DFP_RoundAndSetStatus(intermediate, ideal, env, 1, result, status, roundingCase);
}

void DFP_Multiply(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                  DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
                  DecimalIntermediate *intermediate)
{
    *status = 0;
    DFP_InitRoundingCase(roundingCase);
    intermediate->sticky = 0;
    if (DFP_HandleNANs(env, a, b, result, status)) return;
    if (DFP_MultiplySpecialNumbers(env, a, b, result, status)) return;
    DecimalNumber *im = &intermediate->decimalNumber;
    im->type = Normal;
    im->exponent = a->exponent + b->exponent;
    im->sign = a->sign != b->sign;
    const DecimalNumber *Op1 = a, *Op2 = b;
    DFP_CHECK(
        BCD_GetNumUnits(&Op1->coefficient.bcdnumber) + BCD_GetNumUnits(&Op2->coefficient.bcdnumber) <=
            MAX_NUM_UNITS,
        "BCD_GetNumUnits(&Op1->coefficient.bcdnumber) + BCD_GetNumUnits(&Op2->coefficient.bcdnumber) <= "
        "MAX_NUM_UNITS",
        "common/dfp/DecimalFP_Multiply");
    BCDnumber product;
    BCD_Multiply(coef(a), coef(b), &product);
    DFP_convertWideResultToIm(&product, intermediate, im->format.precision - result->format.precision);
    DFP_RoundAndSetStatus(intermediate, a->exponent + b->exponent, env, 1, result, status, roundingCase);
}

int DFP_DivideSpecialNumbers(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                             DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase)
{
    const int32_t s = a->sign != b->sign;
    const bool aInf = a->type == Infinity, bInf = b->type == Infinity;
    const bool aZero = isZero(a), bZero = isZero(b);
    if (aInf && bInf) {
        DFP_invalid_operation_exceptions(env, DFP_OPCLASS_ARITHMETIC, DFP_STATUS_VXIDI, status, result);
        return 1;
    }
    if (aZero && bZero) {
        DFP_invalid_operation_exceptions(env, DFP_OPCLASS_ARITHMETIC, DFP_STATUS_VXZDZ, status, result);
        return 1;
    }
    if (aZero && !bInf) { // zero with the ideal exponent, clamped into range
        DecimalIntermediate im{};
        im.decimalNumber.format = result->format;
        im.decimalNumber.format.precision++;
        im.decimalNumber.type = Normal;
        im.decimalNumber.sign = s;
        im.decimalNumber.exponent = a->exponent - b->exponent;
        BCD_SetZero(&im.decimalNumber.coefficient.bcdnumber);
        DFP_RoundAndSetStatus(&im, im.decimalNumber.exponent, env, 1, result, status, roundingCase);
        return 1;
    }
    if (aInf) {
        DFP_SetInfiniteResult(s, result, status);
        return 1;
    }
    if (bZero) {
        if (!(env->enables & DFP_ENABLE_ZERO_DIVIDE)) {
            DFP_OpSetInfinity(result);
            result->sign = s;
        }
        DFP_Zero_Divide_exception(env, status, result);
        return 1;
    }
    if (bInf) { // a finite, zero included: a zero with the smallest exponent
        result->type = Normal;
        result->sign = s;
        result->exponent = result->format.UxMin;
        BCD_SetZero(&result->coefficient.bcdnumber);
        *status |= DFP_STATUS_DELIVERED;
        DFP_set_post_operation_status(result, status);
        return 1;
    }
    return 0;
}

void DFP_Status_Adjust_Compare(uint32_t *status)
{
    uint32_t s = *status;
    if (s & DFP_STATUS_VXISI) {
        s &= ~(DFP_STATUS_VXISI | DFP_STATUS_FPCC | DFP_STATUS_WRITE_FPCC);
        s |= DFP_STATUS_FE;
    }
    s &= ~(DFP_STATUS_DELIVERED | DFP_STATUS_WRITE_FRFI | DFP_STATUS_WRITE_C | DFP_STATUS_DEFAULT_QNAN |
           DFP_STATUS_OVERFLOW | DFP_STATUS_UNDERFLOW | DFP_STATUS_INEXACT);
    if (s & (DFP_STATUS_FL | DFP_STATUS_FG | DFP_STATUS_FE)) s &= ~DFP_STATUS_FU;
    *status = s;
}

void DFP_Compare(const DFP_Environment *env, int ordered, const DecimalNumber *a, const DecimalNumber *b,
                 uint32_t *status, DFP_RoundingCase *roundingCase, DecimalIntermediate *intermediate)
{
    *status = 0;
    DFP_InitRoundingCase(roundingCase);
    DecimalNumber scratch = *a, negB = *b;
    negB.sign = !b->sign;
    DFP_RoundingCase local;
    DFP_Add(env, a, &negB, &scratch, status, &local, intermediate);
    if (ordered) {
        if (!(*status & DFP_STATUS_VXSNAN)) {
            if (DFP_OpIsQNAN(a) || DFP_OpIsQNAN(b))
                DFP_invalid_operation_exceptions(env, DFP_OPCLASS_COMPARE, DFP_STATUS_VXVC, status, nullptr);
        } else if (!(env->enables & DFP_ENABLE_INVALID)) {
            DFP_invalid_operation_exceptions(env, DFP_OPCLASS_COMPARE, DFP_STATUS_VXVC, status, nullptr);
        }
    }
    DFP_Status_Adjust_Compare(status);
}

void DFP_Load_And_Test(const DFP_Environment *env, const DecimalNumber *a, DecimalNumber *result,
                       uint32_t *status, DFP_RoundingCase *roundingCase, DecimalIntermediate *intermediate)
{
    // a + 0E(UxMax): the smaller exponent wins, so a comes back as it is; the zero takes a's sign
    // so that a zero keeps its own.
    DecimalNumber zero;
    DFP_OpSetSpecificNumber(&zero, a, 0);
    zero.exponent = a->format.UxMax;
    zero.sign = a->sign;
    DFP_Add(env, a, &zero, result, status, roundingCase, intermediate);
}

void DFP_ConvertTo(const DFP_Environment *env, const DecimalNumber *a, int keepSNaN, int canonicalInfinity,
                   DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase)
{
    *status = 0;
    DFP_InitRoundingCase(roundingCase);
    if (DFP_OpIsSNAN(a) && keepSNaN) {
        DFP_Form_SNAN_Result(a, result);
        *status |= 0x80201000;
        return;
    }
    if (DFP_HandleNANs(env, a, a, result, status)) return;
    *status |= DFP_STATUS_DELIVERED;
    if (a->type == Infinity) {
        if (canonicalInfinity)
            DFP_SetInfiniteResult(a->sign, result, status);
        else
            DFP_CoerceInfiniteResult(a, result, status);
    } else {
        DFP_SetValueOperand(Normal, a->sign, a->exponent, coef(a), result);
    }
    DFP_set_post_operation_status(result, status);
}
