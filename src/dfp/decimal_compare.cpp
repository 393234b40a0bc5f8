// Comparisons of decimal numbers and intermediates.
#include "dfp/decimal_compare.h"

#include "dfp/dfp_assert.h"

namespace
{
const char *const kPath = "common/dfp/DecimalFP_Internal";

// The coefficient shifted left to exactly `digits` digits; a zero keeps coefficient 0, exponent 0.
void normalizeTo(const DecimalNumber *a, int32_t digits, DecimalNumber *out)
{
    DFP_CHECK(a->type == Normal, "inputOp->type == Normal", kPath);
    *out = *a;
    if (BCD_IsZero(&a->coefficient.bcdnumber)) {
        out->exponent = 0;
        return;
    }
    const int32_t leadingZeros = digits - (int32_t)BCD_GetNumDigits(&a->coefficient.bcdnumber);
    DFP_CHECK(leadingZeros >= 0, "leadingZeros >= 0", kPath);
    BCD_ShiftLeft(&a->coefficient.bcdnumber, (uint32_t)leadingZeros, &out->coefficient.bcdnumber);
    out->exponent = a->exponent - leadingZeros;
}

int32_t maxPrecision(const DecimalNumber *a, const DecimalNumber *b)
{
    return a->format.precision > b->format.precision ? a->format.precision : b->format.precision;
}

// Magnitude comparison of two Normal-or-Infinity numbers; `message` is the type assertion.
int absCompare(const DecimalNumber *a, const DecimalNumber *b, const char *message)
{
    DFP_CHECK((a->type == Normal || a->type == Infinity) && (b->type == Normal || b->type == Infinity),
              message, kPath);
    if (a->type == Infinity || b->type == Infinity) {
        if (a->type == b->type) return 0;
        return a->type == Infinity ? 1 : -1;
    }
    const bool za = BCD_IsZero(&a->coefficient.bcdnumber), zb = BCD_IsZero(&b->coefficient.bcdnumber);
    if (za || zb) return za && zb ? 0 : za ? -1 : 1;
    // Both normalised to the same digit count: the larger exponent wins, then the coefficients.
    DecimalNumber na, nb;
    const int32_t digits = maxPrecision(a, b);
    normalizeTo(a, digits, &na);
    normalizeTo(b, digits, &nb);
    if (na.exponent != nb.exponent) return na.exponent > nb.exponent ? 1 : -1;
    return BCD_Compare(&na.coefficient.bcdnumber, &nb.coefficient.bcdnumber);
}

} // namespace

void DFP_Normalize(const DecimalNumber *a, DecimalNumber *out)
{
    normalizeTo(a, a->format.precision, out);
}

int DFP_CompareCoefficients(const DecimalNumber *a, const DecimalNumber *b)
{
    DFP_CHECK((a->type == Normal) && (b->type == Normal),
              "(operand1->type == Normal) && (operand2->type == Normal)", kPath);
    if (BCD_IsZero(&a->coefficient.bcdnumber) && BCD_IsZero(&b->coefficient.bcdnumber)) return 0;
    DecimalNumber na, nb;
    const int32_t digits = maxPrecision(a, b);
    normalizeTo(a, digits, &na);
    normalizeTo(b, digits, &nb);
    return BCD_Compare(&na.coefficient.bcdnumber, &nb.coefficient.bcdnumber);
}

int DFP_CompareOperandsByAbsValue(const DecimalNumber *a, const DecimalNumber *b)
{
    return absCompare(a, b,
                      "(operand1->type == Normal || operand1->type == Infinity) && "
                      "(operand2->type == Normal || operand2->type == Infinity)");
}

int DFP_CompareOperands(const DecimalNumber *a, const DecimalNumber *b)
{
    const bool za = a->type == Normal && BCD_IsZero(&a->coefficient.bcdnumber);
    const bool zb = b->type == Normal && BCD_IsZero(&b->coefficient.bcdnumber);
    if (za && zb) return 0;
    if (a->sign != b->sign) return a->sign ? -1 : 1;
    const int c = DFP_CompareOperandsByAbsValue(a, b);
    return a->sign ? -c : c;
}

int DFP_CompareImByAbsValue(const DecimalIntermediate *a, const DecimalIntermediate *b)
{
    const int c = absCompare(&a->decimalNumber, &b->decimalNumber,
                             "(im1->decimalNumber.type == Normal || im1->decimalNumber.type == Infinity) && "
                             "(im2->decimalNumber.type == Normal || im2->decimalNumber.type == Infinity)");
    if (c != 0) return c;
    const int s = a->sticky - b->sticky;
    return s > 0 ? 1 : s < 0 ? -1 : 0;
}

int DFP_CompareIm(const DecimalIntermediate *a, const DecimalIntermediate *b)
{
    if (a->decimalNumber.sign != b->decimalNumber.sign) return a->decimalNumber.sign ? -1 : 1;
    const int c = DFP_CompareImByAbsValue(a, b);
    return a->decimalNumber.sign ? -c : c;
}
