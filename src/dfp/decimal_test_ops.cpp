// Decimal tests, extraction, insertion and coefficient shifts.
#include "dfp/decimal_test_ops.h"

#include "dfp/dfp_assert.h"
#include "dfp/dfp_status.h"

namespace
{
const char *const kClassPath = "common/dfp/DecimalFP_TestDataClass";
const char *const kGenericPath = "common/dfp/DecimalFP_SeriesGeneric";

// Codes of {Halvo, Orvin}.
struct Code {
    uint32_t halvo, orvin;
};
constexpr Code kZero = {0x20, 0x800}, kSubnormal = {0x10, 0x200}, kNormal = {0x08, 0x80};
constexpr Code kInfinity = {0x04, 0x20}, kQNaN = {0x02, 0x08}, kSNaN = {0x01, 0x02};
constexpr Code kGroupZero = {0x20, 0x800}, kGroupZeroExtreme = {0x10, 0x200},
               kGroupTinyOrExtreme = {0x08, 0x80};
constexpr Code kGroupLeadingZero = {0x04, 0x20}, kGroupLeadingNonzero = {0x02, 0x08},
               kGroupSpecial = {0x01, 0x02};

uint32_t pick(const Code &c, int32_t system)
{
    return system == DFP_SYSTEM_ORVIN ? c.orvin : c.halvo;
}

void start(uint32_t *status, DFP_RoundingCase *roundingCase)
{
    *status = 0;
    DFP_InitRoundingCase(roundingCase);
}

void shiftCoefficient(int left, uint32_t n, const DecimalNumber *a, DecimalNumber *result, uint32_t *status,
                      DFP_RoundingCase *roundingCase)
{
    start(status, roundingCase);
    DFP_CopyOperand(a, result);
    BCDnumber *c = &result->coefficient.bcdnumber;
    const uint32_t p = (uint32_t)a->format.precision;
    if (!left) {
        BCD_ShiftRight(c, n, c);
    } else if (n >= p) {
        BCD_SetZero(c);
    } else {
        BCD_ShiftLeft(c, n, c);
        BCD_GetLowerDigits(c, p, c);
    }
    *status = DFP_STATUS_DELIVERED;
}

} // namespace

void Halvo_DataClassSetStatusFromSign(int32_t sign, uint32_t mask, uint32_t code, uint32_t *status)
{
    if (mask & code)
        *status |= DFP_STATUS_FE | (sign ? DFP_STATUS_FL : 0);
    else
        *status |= sign ? DFP_STATUS_FL : DFP_STATUS_WRITE_FPCC;
}

void Orvin_DataClassSetStatusFromSign(int32_t sign, uint32_t mask, uint32_t code, uint32_t *status)
{
    if (sign) code >>= 1;
    *status |= (mask & code) ? DFP_STATUS_FL : DFP_STATUS_FE;
}

void DFP_DataClassSetStatusFromSign(int32_t sign, int32_t system, uint32_t mask, uint32_t code,
                                    uint32_t *status)
{
    if (system == DFP_SYSTEM_HALVO)
        Halvo_DataClassSetStatusFromSign(sign, mask, code, status);
    else if (system == DFP_SYSTEM_ORVIN)
        Orvin_DataClassSetStatusFromSign(sign, mask, code, status);
    else
        DFP_Assert("Undefined_DFP_System_in_DFP_DataClassSetSign", kGenericPath, __LINE__);
}

void DFP_Test_Data_Class(const DFP_Environment *env, uint32_t mask, const DecimalNumber *a, uint32_t *status,
                         DFP_RoundingCase *roundingCase)
{
    start(status, roundingCase);
    Code code;
    switch (a->type) {
    case Normal:
        code = DFP_OpIsZero(a) ? kZero : DFP_OpIsSubnormal(a) ? kSubnormal : kNormal;
        break;
    case Infinity:
        code = kInfinity;
        break;
    case QNaN:
        code = kQNaN;
        break;
    case SNaN:
        code = kSNaN;
        break;
    default:
        DFP_Assert("Undefined_DFP_Type_in_DFP_Test_Data_Class", kClassPath, __LINE__);
    }
    DFP_DataClassSetStatusFromSign(a->sign, env->system, mask, pick(code, env->system), status);
}

void DFP_Test_Data_Group(const DFP_Environment *env, uint32_t mask, const DecimalNumber *a, uint32_t *status,
                         uint32_t *code, DFP_RoundingCase *roundingCase)
{
    start(status, roundingCase);
    Code group;
    switch (a->type) {
    case Normal: {
        const bool extreme = DFP_OpIsExtremeExponent(a);
        if (DFP_OpIsZero(a))
            group = extreme ? kGroupZeroExtreme : kGroupZero;
        else if (extreme || DFP_OpIsSubnormal(a))
            group = kGroupTinyOrExtreme;
        else if (BCD_GetDigit(&a->coefficient.bcdnumber, (uint32_t)a->format.precision - 1) == 0)
            group = kGroupLeadingZero;
        else
            group = kGroupLeadingNonzero;
        break;
    }
    case Infinity:
    case QNaN:
    case SNaN:
        group = kGroupSpecial;
        break;
    default:
        DFP_Assert("Undefined_DFP_Type_in_DFP_Test_Data_Group", kClassPath, __LINE__);
    }
    *code = pick(group, env->system);
    DFP_DataClassSetStatusFromSign(a->sign, env->system, mask, *code, status);
}

void DFP_Test_Exponent(const DFP_Environment *, const DecimalNumber *a, const DecimalNumber *b,
                       uint32_t *status, DFP_RoundingCase *roundingCase)
{
    start(status, roundingCase);
    DFP_CHECK(a->type != Undefined && b->type != Undefined, "Undefined_DFP_Type_in_DFP_Test_Exponent",
              "common/dfp/DecimalFP_TestExponent");
    if (a->type == Normal && b->type == Normal)
        *status |= a->exponent == b->exponent  ? DFP_STATUS_FE
                   : a->exponent > b->exponent ? DFP_STATUS_FG
                                               : DFP_STATUS_FL;
    else if ((DFP_OpIsNAN(a) && DFP_OpIsNAN(b)) || (a->type == Infinity && b->type == Infinity))
        *status |= DFP_STATUS_FE;
    else
        *status |= DFP_STATUS_FU;
}

int Halvo_TestSignificanceUpdateStatus(uint32_t significance, uint32_t reference, uint32_t *status)
{
    if (reference != 0 && reference == significance)
        *status |= DFP_STATUS_FE;
    else if (reference != 0 && reference < significance)
        *status |= DFP_STATUS_FL;
    else
        *status |= DFP_STATUS_FG;
    return reference != 0;
}

int Orvin_TestSignificanceUpdateStatus(uint32_t significance, uint32_t reference, uint32_t *status)
{
    if (reference != 0 && reference == significance)
        *status |= DFP_STATUS_FE;
    else if (reference != 0 && reference < significance)
        *status |= DFP_STATUS_FG;
    else
        *status |= DFP_STATUS_FL;
    return reference != 0;
}

int DFP_TestSignificanceUpdateStatus(int32_t system, uint32_t significance, uint32_t reference,
                                     uint32_t *status)
{
    if (system == DFP_SYSTEM_HALVO)
        return Halvo_TestSignificanceUpdateStatus(significance, reference, status);
    if (system == DFP_SYSTEM_ORVIN)
        return Orvin_TestSignificanceUpdateStatus(significance, reference, status);
    DFP_Assert("Undefined_DFP_System_in_DFP_TestSignificanceUpdateStatus",
               "common/dfp/DecimalFP_TestSignificance", __LINE__);
}

void DFP_Test_Significance(const DFP_Environment *env, const uint64_t *reference, const DecimalNumber *a,
                           uint32_t *status, DFP_RoundingCase *roundingCase)
{
    start(status, roundingCase);
    DFP_CHECK(a->type != Undefined, "Undefined_DFP_Type_in_DFP_Test_Significance",
              "common/dfp/DecimalFP_TestSignificance");
    if (a->type != Normal) {
        *status |= DFP_STATUS_FU;
        return;
    }
    const uint32_t s = DFP_OpIsZero(a) ? 0 : BCD_GetNumDigits(&a->coefficient.bcdnumber);
    DFP_TestSignificanceUpdateStatus(env->system, s, (uint32_t)(*reference & 63), status);
}

void DFP_Extract_Significance(const DFP_Environment *, const DecimalNumber *a, int64_t *out, uint32_t *status,
                              DFP_RoundingCase *roundingCase)
{
    start(status, roundingCase);
    switch (a->type) {
    case Normal:
        *out = DFP_OpIsZero(a) ? 0 : (int64_t)BCD_GetNumDigits(&a->coefficient.bcdnumber);
        break;
    case Infinity:
        *out = -1;
        break;
    case QNaN:
        *out = -2;
        break;
    case SNaN:
        *out = -3;
        break;
    default:
        DFP_Assert("Undefined_DFP_Type_in_DFP_Extract_Significance", "common/dfp/DecimalFP_ExtractExponent",
                   __LINE__);
    }
    *status = DFP_STATUS_DELIVERED;
}

void DFP_Extract_Biased_Exponent(const DFP_Environment *, const DecimalNumber *a, int64_t *out,
                                 uint32_t *status, DFP_RoundingCase *roundingCase)
{
    start(status, roundingCase);
    switch (a->type) {
    case Normal:
        *out = (int64_t)a->exponent + DFP_ExponentBias(a);
        break;
    case Infinity:
        *out = -1;
        break;
    case QNaN:
        *out = -2;
        break;
    case SNaN:
        *out = -3;
        break;
    default:
        DFP_Assert("Undefined_DFP_Type_in_DFP_Extract_Exponent", "common/dfp/DecimalFP_ExtractExponent",
                   __LINE__);
    }
    *status = DFP_STATUS_DELIVERED;
}

void DFP_Insert_Biased_Exponent(const DFP_Environment *, const int64_t *biased, const DecimalNumber *a,
                                DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase)
{
    start(status, roundingCase);
    DFP_CopyOperand(a, result);
    const int64_t e = *biased, bias = DFP_ExponentBias(a);
    if (e >= 0 && e <= bias + a->format.UxMax) {
        result->type = Normal;
        result->exponent = (int32_t)(e - bias);
    } else {
        result->type = e == -1 ? Infinity : e == -3 ? SNaN : QNaN;
        result->exponent = a->format.UxMin;
    }
    *status = DFP_STATUS_DELIVERED;
}

void DFP_Shift_Coefficient_Left(const DFP_Environment *, uint32_t n, const DecimalNumber *a,
                                DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase)
{
    shiftCoefficient(1, n, a, result, status, roundingCase);
}

void DFP_Shift_Coefficient_Right(const DFP_Environment *, uint32_t n, const DecimalNumber *a,
                                 DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase)
{
    shiftCoefficient(0, n, a, result, status, roundingCase);
}

int DFP_GetPrecCmpField(const DecimalNumber *a, uint64_t reference)
{
    if (a->type != Normal) return 4;
    if (reference == 0) return 3;
    const uint64_t digits = DFP_OpIsZero(a) ? 0 : BCD_GetNumDigits(&a->coefficient.bcdnumber);
    if (digits < reference) return 2;
    return digits == reference ? 1 : 0;
}
