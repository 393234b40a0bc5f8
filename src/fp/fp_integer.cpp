// Double-to-integer conversions of the fctid and fctiw families.
#include "fp/fp_integer.h"

#include "fp/fp160.h"
#include "fp/fp_convert.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"

namespace
{

inline int64_t unbiased_of(const FP160 *v)
{
    return (int64_t)v->exponent - (int64_t)FP160_BIAS;
}

// The NaN case: VXCVI (and VXSNAN); nothing delivered under VE, else nan_result.
int convert_nan(IOPDesc *iop, const FP160 *value, uint64_t *out, uint64_t nan_result)
{
    FPSCR_SetBit(iop, FPSCR_VXCVI, 1);
    if (!(value->sig_hi & FP160_QUIET_BIT)) FPSCR_SetBit(iop, FPSCR_VXSNAN, 1);
    if (iGET_FPSCR(iop) & FPSCR_VE) {
        *out = 0;
        return 0;
    }
    *out = nan_result;
    return 1;
}

// Sets FI and FR from the rounding's flags.
void report_rounding(IOPDesc *iop, const FP160 *value)
{
    if (value->exceptions & FP160_EXC_INEXACT) FPSCR_SetBit(iop, FPSCR_FI, 1);
    if (value->exceptions & FP160_EXC_ROUNDED_UP) FPSCR_SetBit(iop, FPSCR_FR, 1);
}

} // namespace

int Invalid_Convert_To_Signed(IOPDesc *iop, uint64_t *out, int negative)
{
    FPSCR_SetBit(iop, FPSCR_VXCVI, 1);
    if (iGET_FPSCR(iop) & FPSCR_VE) return 0;
    *out = negative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull;
    return 1;
}

int Invalid_Convert_To_Unsigned(IOPDesc *iop, uint64_t *out, int negative)
{
    FPSCR_SetBit(iop, FPSCR_VXCVI, 1);
    if (iGET_FPSCR(iop) & FPSCR_VE) return 0;
    *out = negative ? 0 : ~0ull;
    return 1;
}

int FloatConvertToSignedInteger(IOPDesc *iop, uint64_t *out, uint64_t dw, int mode, int width,
                                const char *label)
{
    FP160 value;
    FP160_ConvertFromDP(&value, &dw, label);
    FPSCR_SetBit(iop, FPSCR_FI | FPSCR_FR, 0);
    const bool negative = value.sign != 0;
    int delivered;
    bool saturated = true;
    if (FP160_Is_NaN(&value)) {
        delivered = convert_nan(iop, &value, out, 0x8000000000000000ull);
    } else if (FP160_Is_Infinity(&value) || unbiased_of(&value) >= width) {
        delivered = Invalid_Convert_To_Signed(iop, out, negative);
    } else {
        const int64_t n = FP160_Make_Int64(&value, mode);
        if (width == 32 && n < INT32_MIN)
            FP160_Mark_Exception(&value, FP160_EXC_OVERFLOW, 0, "FloatConvertToSignedInteger",
                                 "32-bit overflow, discarding zero high bits of negative number");
        else if (width == 32 && n > INT32_MAX)
            FP160_Mark_Exception(&value, FP160_EXC_OVERFLOW, 0, "FloatConvertToSignedInteger",
                                 "32-bit overflow, discarding non-zero high bits of positive number");
        if (!(value.exceptions & FP160_EXC_OVERFLOW)) {
            report_rounding(iop, &value);
            *out = width == 32 ? (uint64_t)(int64_t)(int32_t)n : (uint64_t)n;
            delivered = 1;
            saturated = false;
        } else {
            FPSCR_SetBit(iop, FPSCR_FI | FPSCR_FR, 0);
            delivered = Invalid_Convert_To_Signed(iop, out, negative);
        }
    }
    if (delivered && saturated && width == 32) *out = (uint64_t)((int64_t)*out >> 32);
    if (delivered && FP_Option(iop, PO_TARVIS_FLOAT)) {
        const uint64_t upper = (*out == 0 && negative) ? 0xFFF80001ull : 0xFFF80000ull;
        *out = (upper << 32) | (*out & 0xFFFFFFFFull);
    }
    return delivered;
}

int FloatConvertToUnsignedInteger(IOPDesc *iop, uint64_t *out, uint64_t dw, int mode, int width,
                                  const char *label)
{
    FP160 value;
    FP160_ConvertFromDP(&value, &dw, label);
    FPSCR_SetBit(iop, FPSCR_FI | FPSCR_FR, 0);
    const bool negative = value.sign != 0;
    int delivered;
    bool saturated = true;
    if (FP160_Is_NaN(&value)) {
        delivered = convert_nan(iop, &value, out, 0);
    } else if (FP160_Is_Infinity(&value) || unbiased_of(&value) > width) {
        delivered = Invalid_Convert_To_Unsigned(iop, out, negative);
    } else {
        const uint64_t n = FP160_Make_UInt64(&value, mode);
        if (width == 32 && n > 0xFFFFFFFFull)
            FP160_Mark_Exception(&value, FP160_EXC_OVERFLOW, 0, "FloatConvertToUnsignedInteger",
                                 "32-bit overflow, discarding non-zero high bits of unsigned integer");
        if (!(value.exceptions & FP160_EXC_OVERFLOW)) {
            report_rounding(iop, &value);
            *out = width == 32 ? (n & 0xFFFFFFFFull) : n;
            delivered = 1;
            saturated = false;
        } else {
            FPSCR_SetBit(iop, FPSCR_FI | FPSCR_FR, 0);
            delivered = Invalid_Convert_To_Unsigned(iop, out, negative);
        }
    }
    // A saturated 32-bit result is the low word, zero-extended like every unsigned 32-bit result.
    if (delivered && saturated && width == 32) *out >>= 32;
    return delivered;
}
