// Decimal division.
#include "dfp/decimal_divide.h"

#include "dfp/decimal_arith.h"
#include "dfp/decimal_compare.h"
#include "dfp/decimal_round.h"
#include "dfp/dfp_assert.h"

void DFP_Divide(const DFP_Environment *env, const DecimalNumber *dividend, const DecimalNumber *divisor,
                DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase,
                DecimalIntermediate *intermediate)
{
    DFP_InitRoundingCase(roundingCase);
    *status = 0;
    intermediate->sticky = 0;
    if (DFP_HandleNANs(env, dividend, divisor, result, status) ||
        DFP_DivideSpecialNumbers(env, dividend, divisor, result, status, roundingCase)) {
        *status |= DFP_STATUS_WRITE_FRFI;
        return;
    }
    DecimalNumber *im = &intermediate->decimalNumber;
    const int32_t P = im->format.precision, g = P - result->format.precision;
    const int32_t ideal = dividend->exponent - divisor->exponent;
    im->type = Normal;
    im->sign = dividend->sign != divisor->sign;

    DecimalNumber A = *dividend, B = *divisor;
    const int t = BCD_CountTrailingZeros(&B.coefficient.bcdnumber);
    if (t > 0) {
        BCD_ShiftRight(&B.coefficient.bcdnumber, (uint32_t)t, &B.coefficient.bcdnumber);
        B.exponent += t;
    }
    const int32_t dA = (int32_t)BCD_GetNumDigits(&A.coefficient.bcdnumber);
    const int32_t dB = (int32_t)BCD_GetNumDigits(&B.coefficient.bcdnumber);
    const int32_t lt = DFP_CompareCoefficients(&A, &B) < 0 ? 1 : 0;
    const int32_t s = P + lt - (dA - dB);
    BCD_ShiftLeft(&A.coefficient.bcdnumber, (uint32_t)s, &A.coefficient.bcdnumber);
    A.exponent -= s;

    BCDnumber Q, R;
    BCD_Divide(&A.coefficient.bcdnumber, &B.coefficient.bcdnumber, &Q, &R);
    const int32_t resNumDigs = (int32_t)BCD_GetNumDigits(&Q), imNumDigs = P;
    if (!(resNumDigs == imNumDigs + 1))
        DFP_Assert("resNumDigs == imNumDigs + 1", "common/dfp/DecimalFP_Divide", 183);

    const int32_t z = BCD_CountTrailingZeros(&Q) - 1;
    intermediate->sticky = (BCD_GetDigit(&Q, 0) == 0 && BCD_IsZero(&R)) ? 0 : 1;
    BCD_ShiftRight(&Q, 1, &im->coefficient.bcdnumber);
    im->exponent = (A.exponent - B.exponent + 1) + g;
    if (z > g && !intermediate->sticky) {
        int32_t k = ideal - im->exponent;
        if (z - g < k) k = z - g;
        if (k > 0) {
            BCD_ShiftRight(&im->coefficient.bcdnumber, (uint32_t)k, &im->coefficient.bcdnumber);
            im->exponent += k;
        }
    }
    DFP_RoundAndSetStatus(intermediate, ideal, env, 1, result, status, roundingCase);
}
