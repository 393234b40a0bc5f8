// Coverage record of the decimal operations.
#include "dfp/dfp_coverage.h"

#include "dfp/decimal_compare.h"
#include "dfp/dfp_assert.h"

namespace
{
const char *const kPath = "common/dfp/DecimalFP_Coverage";
}

int32_t GetDFP_DataType(const DecimalNumber *number)
{
    if (!number) return 0;
    const int32_t neg = number->sign ? 1 : 0;
    switch (number->type) {
    case Normal: {
        int32_t resType = 0;
        if (DFP_OpIsZero(number))
            resType = 1;
        else if (DFP_OpIsSubnormal(number))
            resType = 3;
        else if (DFP_OpIsNormal(number))
            resType = 5;
        DFP_CHECK(resType != 0, "resType != Undefined_DFP_DataType", kPath);
        return resType + neg;
    }
    case Infinity:
        return 7 + neg;
    case QNaN:
        return 9 + neg;
    case SNaN:
        return 11 + neg;
    default:
        return 0;
    }
}

void DFP_ExtractExceptionSignals(uint32_t status, uint32_t *signals)
{
    uint32_t s = *signals & 0xE0;
    if (status & DFP_STATUS_INVALID) s |= 0x1;
    if (status & DFP_STATUS_OVERFLOW) s |= 0x2;
    if (status & DFP_STATUS_UNDERFLOW) s |= 0x4;
    if (status & DFP_STATUS_ZERO_DIVIDE) s |= 0x8;
    if (status & DFP_STATUS_INEXACT) s |= 0x10;
    *signals = s;
}

int32_t DFP_UpdateResultRange(uint32_t status, const DecimalNumber *final,
                              const DecimalIntermediate *intermediate)
{
    if (!intermediate || intermediate->decimalNumber.type != Normal) return 9;
    DFP_CHECK(final != nullptr, "final != NULL", kPath);
    const DecimalIntermediate *im = intermediate;
    if (BCD_IsZero(&im->decimalNumber.coefficient.bcdnumber) && !im->sticky) return 7;
    DecimalIntermediate M, N, S, half;
    M.decimalNumber.format = N.decimalNumber.format = S.decimalNumber.format = im->decimalNumber.format;
    DFP_ImSetSpecificNumber(&M, final, 3);
    DFP_ImSetSpecificNumber(&N, final, 2);
    DFP_ImSetSpecificNumber(&S, final, 1);
    half = S;
    BCDnumber five;
    BCD_FromInteger(5, &five);
    BCD_ShiftRight(&S.decimalNumber.coefficient.bcdnumber, 1, &half.decimalNumber.coefficient.bcdnumber);
    BCD_Multiply(&half.decimalNumber.coefficient.bcdnumber, &five, &half.decimalNumber.coefficient.bcdnumber);
    if (DFP_CompareImByAbsValue(im, &M) > 0) return (status & DFP_STATUS_OVERFLOW) ? 0 : 1;
    if (DFP_CompareImByAbsValue(im, &N) >= 0) return 2;
    if (DFP_CompareImByAbsValue(im, &S) >= 0) return 3;
    const int c = DFP_CompareImByAbsValue(im, &half);
    return c > 0 ? 4 : c == 0 ? 5 : 6;
}

void DFP_UpdateCoverageMetrics(int32_t operationId, const DFP_Environment *env, uint32_t status,
                               const DecimalNumber *operand1, const DecimalNumber *operand2,
                               const DecimalNumber *result, const DecimalIntermediate *intermediate,
                               DFP_CoverageMetrics *coverage)
{
    coverage->operand1Type = GetDFP_DataType(operand1);
    coverage->operand2Type = GetDFP_DataType(operand2);
    coverage->resultType = (status & DFP_STATUS_DELIVERED) ? GetDFP_DataType(result) : 0;
    coverage->resultRange = DFP_UpdateResultRange(status, result, intermediate);
    coverage->resultSign = intermediate && intermediate->decimalNumber.sign ? 1 : 0;
    coverage->environment = *env;
    DFP_ExtractExceptionSignals(status, &coverage->exceptionSignals);
    coverage->status = status;
    coverage->operationId = operationId;
}
