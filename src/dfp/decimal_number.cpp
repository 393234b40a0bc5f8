// Decimal operands: formats, specific numbers, copies and classification.
#include "dfp/decimal_number.h"

#include "dfp/decimal_compare.h"
#include "dfp/dfp_assert.h"

namespace
{
const char *const kPath = "common/dfp/DecimalFP_Internal";

void setSpecific(DecimalNumber *number, const DecimalNumber *formatSource, int which, const char *message)
{
    const DecimalFormat f = formatSource->format;
    number->format = f;
    number->type = Normal;
    number->sign = 0;
    BCDnumber *c = &number->coefficient.bcdnumber;
    switch (which) {
    case 0:
        number->exponent = 0;
        BCD_SetZero(c);
        break;
    case 1:
        number->exponent = f.UxMin;
        BCD_SetOne(c);
        break;
    case 2:
        number->exponent = f.Emin;
        BCD_SetOne(c);
        break;
    case 3:
        number->exponent = f.UxMax;
        BCD_SetNines((uint32_t)f.precision, c);
        break;
    default:
        DFP_Assert(message, kPath, __LINE__);
    }
}
} // namespace

void DFP_SetFormat(int32_t precision, int32_t UxMax, int32_t biasAdjust, DecimalNumber *number)
{
    number->format = DFP_MakeFormat(precision, UxMax, biasAdjust);
}

void DFP_CopyFormat(const DecimalNumber *from, DecimalNumber *to)
{
    DFP_SetFormat(from->format.precision, from->format.UxMax, from->format.biasAdjust, to);
}

void DFP_OpSetSpecificNumber(DecimalNumber *number, const DecimalNumber *formatSource, int which)
{
    setSpecific(number, formatSource, which, "Unknown_number_in_DFP_OpSetSpecificNumber");
}

void DFP_ImSetSpecificNumber(DecimalIntermediate *intermediate, const DecimalNumber *formatSource, int which)
{
    DecimalNumber n;
    setSpecific(&n, formatSource, which, "Unknown_number_in_DFP_ImSetSpecificNumber");
    DFP_OperandToIntermediate(&n, intermediate);
}

void DFP_InitOperand(const DecimalNumber *formatSource, DecimalNumber *number)
{
    number->format = formatSource->format;
    number->type = Undefined;
    number->sign = 0;
    number->exponent = 0;
    BCD_SetZero(&number->coefficient.bcdnumber);
}

void DFP_CopyOperand(const DecimalNumber *from, DecimalNumber *to)
{
    *to = *from;
}

void DFP_CopyOperandValue(const DecimalNumber *from, DecimalNumber *to)
{
    const DecimalFormat f = to->format;
    *to = *from;
    to->format = f;
}

void DFP_CopyIntermediate(const DecimalIntermediate *from, DecimalIntermediate *to)
{
    *to = *from;
}

void DFP_SetValueOperand(int32_t type, int32_t sign, int32_t exponent, const BCDnumber *coefficient,
                         DecimalNumber *number)
{
    DFP_CHECK(type == Normal, "type == Normal", kPath);
    DFP_CHECK(exponent <= number->format.UxMax && exponent >= number->format.UxMin,
              "exponent <= operand->format.UxMax && exponent >= operand->format.UxMin", kPath);
    DFP_CHECK((int32_t)BCD_GetNumDigits(coefficient) <= number->format.precision,
              "(uint)BCD_GetNumDigits(coefficient) <= operand->format.precision", kPath);
    number->type = type;
    number->sign = sign;
    number->exponent = exponent;
    BCD_Copy(coefficient, &number->coefficient.bcdnumber);
}

void DFP_OperandToIntermediate(const DecimalNumber *number, DecimalIntermediate *intermediate)
{
    DFP_CHECK(number->type == Normal, "op->type == Normal", kPath);
    const int32_t precDiff = intermediate->decimalNumber.format.precision - number->format.precision;
    DFP_CHECK(precDiff > 0, "precDiff > 0", kPath);
    DecimalNumber *im = &intermediate->decimalNumber;
    im->type = number->type;
    im->sign = number->sign;
    im->exponent = number->exponent;
    BCD_ShiftLeft(&number->coefficient.bcdnumber, (uint32_t)precDiff, &im->coefficient.bcdnumber);
    intermediate->sticky = 0;
}

int32_t DFP_ExponentBias(const DecimalNumber *number)
{
    return -number->format.UxMin;
}

int32_t DFP_Default_SNAN_Unbiased_Exponent(const DecimalNumber *number)
{
    const DecimalFormat &f = number->format;
    return f.UxMin + (f.UxMax - f.UxMin + 1) / 6;
}

void DFP_OpSetInfinity(DecimalNumber *number)
{
    number->type = Infinity;
    number->sign = 0;
    number->exponent = 0;
    BCD_SetZero(&number->coefficient.bcdnumber);
}

void DFP_OpSetDefaultQNaN(DecimalNumber *number)
{
    number->type = QNaN;
    number->sign = 0;
    number->exponent = number->format.UxMin;
    BCD_SetZero(&number->coefficient.bcdnumber);
}

void DFP_Form_QNAN_Result(const DecimalNumber *from, DecimalNumber *result)
{
    DFP_CopyOperandValue(from, result);
    result->type = QNaN;
    result->exponent = result->format.UxMin;
}

void DFP_Form_SNAN_Result(const DecimalNumber *from, DecimalNumber *result)
{
    DFP_CopyOperandValue(from, result);
    result->type = SNaN;
    result->exponent = DFP_Default_SNAN_Unbiased_Exponent(result);
}

int DFP_OpIsNAN(const DecimalNumber *number)
{
    return number->type == QNaN || number->type == SNaN;
}

int DFP_OpIsQNAN(const DecimalNumber *number)
{
    return number->type == QNaN;
}

int DFP_OpIsSNAN(const DecimalNumber *number)
{
    return number->type == SNaN;
}

int DFP_OpIsInfinity(const DecimalNumber *number)
{
    if (number->type != Infinity) return 0;
    return number->sign ? -1 : 1;
}

int DFP_OpIsZero(const DecimalNumber *number)
{
    return number->type == Normal && BCD_IsZero(&number->coefficient.bcdnumber);
}

int DFP_OpIsNormal(const DecimalNumber *number)
{
    if (number->type != Normal) return 0;
    DecimalNumber smallest, largest;
    DFP_OpSetSpecificNumber(&smallest, number, 2);
    DFP_OpSetSpecificNumber(&largest, number, 3);
    return DFP_CompareOperandsByAbsValue(number, &smallest) >= 0 &&
           DFP_CompareOperandsByAbsValue(number, &largest) <= 0;
}

int DFP_OpIsSubnormal(const DecimalNumber *number)
{
    if (number->type != Normal) return 0;
    DecimalNumber tiniest, smallest;
    DFP_OpSetSpecificNumber(&tiniest, number, 1);
    DFP_OpSetSpecificNumber(&smallest, number, 2);
    return DFP_CompareOperandsByAbsValue(number, &tiniest) >= 0 &&
           DFP_CompareOperandsByAbsValue(number, &smallest) < 0;
}

int DFP_OpIsExtremeExponent(const DecimalNumber *number)
{
    return number->exponent == number->format.UxMax || number->exponent == number->format.UxMin;
}

int DFP_ImIsPositive(const DecimalIntermediate *intermediate)
{
    return intermediate->decimalNumber.sign == 0;
}
