// The VSX element helpers (see vsx_micro_helpers.h).
#include "vector/vsx_micro_helpers.h"

#include <cstring>

#include "fp/format_convert.h"
#include "fp/fp160.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fp_estimate.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "vector/vec_defs.h"
#include "vector/vector_registers.h"

using namespace vec;

namespace
{

// Field views of a pattern: biased exponent, fraction, sign, and the IEEE classes.
template <typename T> struct Format;
template <> struct Format<uint64_t> {
    static constexpr int kFraction = 52;
    static constexpr uint64_t kExpMax = 0x7FF;
    static constexpr uint64_t kQuiet = 0x0008000000000000ull;
};
template <> struct Format<uint32_t> {
    static constexpr int kFraction = 23;
    static constexpr uint32_t kExpMax = 0xFF;
    static constexpr uint32_t kQuiet = 0x00400000u;
};

template <typename T> int exponent_of(T x)
{
    return (int)((x >> Format<T>::kFraction) & Format<T>::kExpMax);
}
template <typename T> T fraction_of(T x)
{
    return x & (((T)1 << Format<T>::kFraction) - 1);
}
template <typename T> bool negative(T x)
{
    return x >> (sizeof(T) * 8 - 1);
}
template <typename T> bool is_nan(T x)
{
    return exponent_of(x) == (int)Format<T>::kExpMax && fraction_of(x) != 0;
}
template <typename T> bool is_snan(T x)
{
    return is_nan(x) && !(x & Format<T>::kQuiet);
}
template <typename T> bool is_inf(T x)
{
    return exponent_of(x) == (int)Format<T>::kExpMax && fraction_of(x) == 0;
}
template <typename T> bool is_zero(T x)
{
    return exponent_of(x) == 0 && fraction_of(x) == 0;
}
template <typename T> bool is_denormal(T x)
{
    return exponent_of(x) == 0 && fraction_of(x) != 0;
}

// Limits of the divide test: the divisor's exponent range, the exponent difference range and the
// smallest dividend exponent that needs no scaling.
struct DivLimits {
    int b_max, b_min, diff_max, diff_min, a_min;
};
constexpr DivLimits kDpDiv{2043, 2, 1022, -1020, 54};
constexpr DivLimits kSpDiv{251, 2, 126, -124, 25};

template <typename T> uint32_t div_test(T a, T b, const DivLimits &l)
{
    const int ea = exponent_of(a), eb = exponent_of(b);
    bool fe = is_nan(a) || is_inf(a) || is_nan(b) || is_inf(b) || is_zero(b) || eb > l.b_max || eb < l.b_min;
    if (!is_zero(a) && (ea - eb > l.diff_max || ea - eb < l.diff_min || ea < l.a_min)) fe = true;
    const bool fg = is_inf(a) || is_inf(b) || is_zero(b) || is_denormal(b);
    return 8u | (fg ? 4u : 0u) | (fe ? 2u : 0u);
}

template <typename T> uint32_t sqrt_test(T b, int e_max_special)
{
    const bool fe = is_nan(b) || is_inf(b) || is_zero(b) || negative(b) || exponent_of(b) <= e_max_special;
    const bool fg = is_inf(b) || is_zero(b) || is_denormal(b);
    return 8u | (fg ? 4u : 0u) | (fe ? 2u : 0u);
}

double as_double(uint64_t x)
{
    double d;
    memcpy(&d, &x, sizeof d);
    return d;
}
float as_float(uint32_t x)
{
    float f;
    memcpy(&f, &x, sizeof f);
    return f;
}

// A double widened and narrowed again toward zero: the single-precision estimates' operand.
uint64_t through_fp160(uint64_t in, const char *label)
{
    FP160 value;
    FP160_ConvertFromDP(&value, &in, label);
    uint64_t out = 0;
    FP160_Convert64(&value, FP_ROUND_ZERO, &out, 3);
    return out;
}

// The NaN rule of the ordered lanes; the lane result is already 0.
void mark_ordered_nan(IOPDesc *iop, FP160 *tmp, bool any_snan, const char *invalid_text)
{
    if (any_snan) {
        FP160_Mark_Exception(tmp, FP_SNAN_OPERAND, 0, tmp->name, "SNaN Operand");
        if (!(iGET_FPSCR(iop) & FPSCR_VE))
            FP160_Mark_Exception(tmp, FP_INVALID, INVALID_COMPARE, tmp->name, "%s", invalid_text);
    } else {
        FP160_Mark_Exception(tmp, FP_INVALID | FP_QNAN_OPERAND, INVALID_COMPARE, tmp->name, "QNaN Operand");
    }
}

uint32_t finish_lane(IOPDesc *iop, const FP160 &tmp)
{
    if (tmp.exceptions & FP_SNAN_OPERAND) FPSCR_SetBit(iop, FPSCR_VXSNAN, 1);
    if ((tmp.exceptions & FP_INVALID) && (tmp.invalid_detail & INVALID_COMPARE))
        FPSCR_SetBit(iop, FPSCR_VXVC, 1);
    return tmp.exceptions;
}

} // namespace

uint32_t vmicro_dp_div_test(IOPDesc *, const uint64_t *a, const uint64_t *b)
{
    return div_test(*a, *b, kDpDiv);
}
uint32_t vmicro_sp_div_test(IOPDesc *, uint32_t a, uint32_t b)
{
    return div_test(a, b, kSpDiv);
}
uint32_t vmicro_dp_sqrt_test(IOPDesc *, const uint64_t *b)
{
    return sqrt_test(*b, 53);
}
uint32_t vmicro_sp_sqrt_test(IOPDesc *, uint32_t b)
{
    return sqrt_test(b, 24);
}

uint32_t vmicro_dp_recip(IOPDesc *iop, uint64_t *out, const uint64_t *in)
{
    uint32_t flags = 0;
    FPEst_Reciprocal(iop, in, out, &flags, 0, "dp_recip");
    return flags;
}
uint32_t vmicro_dp_rsqrt(IOPDesc *iop, uint64_t *out, const uint64_t *in)
{
    uint32_t flags = 0;
    FPEst_RecipSqrt(iop, in, out, &flags, 0, "dp_rsqrt");
    return flags;
}
uint32_t vmicro_sp_recip_dp(IOPDesc *iop, uint64_t *out, uint64_t in)
{
    uint32_t flags = 0;
    FPEst_Reciprocal(iop, &in, out, &flags, 1, "sp_recip");
    return flags;
}
uint32_t vmicro_sp_rsqrt_dp(IOPDesc *iop, uint64_t *out, uint64_t in)
{
    const uint64_t operand = through_fp160(in, "vmicro_sp_rsqrt_dp::op_B");
    uint32_t flags = 0;
    FPEst_RecipSqrt(iop, &operand, out, &flags, 1, "sp_rsqrt_dp");
    return flags;
}

namespace
{
typedef int (*Estimate)(IOPDesc *, const uint64_t *, uint64_t *, uint32_t *, int, const char *);
uint32_t single_estimate(IOPDesc *iop, uint32_t *out, uint32_t in, Estimate estimate, const char *label,
                         const char *name)
{
    FP160 value;
    FP160_VX_ConvertFromSP_Source(&value, in, 0, 0, label);
    uint64_t operand = 0, result = 0;
    FP160_Convert64(&value, FP_ROUND_ZERO, &operand, 3);
    uint32_t flags = 0;
    estimate(iop, &operand, &result, &flags, 1, name);
    *out = ConvDPtoSP(iop->thread, result, FP_ROUND_ZERO, 0);
    return flags;
}
} // namespace

uint32_t vmicro_sp_recip(IOPDesc *iop, uint32_t *out, uint32_t in)
{
    return single_estimate(iop, out, in, FPEst_Reciprocal, "vsx_sp_recip::op_B", "sp_recip");
}
uint32_t vmicro_sp_rsqrt(IOPDesc *iop, uint32_t *out, uint32_t in)
{
    return single_estimate(iop, out, in, FPEst_RecipSqrt, "vsx_sp_rsqrt::op_B", "sp_rsqrt");
}

int xvcmpgtdp_compare(uint64_t a, uint64_t b)
{
    return as_double(a) > as_double(b);
}
int xvcmpgedp_compare(uint64_t a, uint64_t b)
{
    return as_double(a) >= as_double(b);
}
int xvcmpgtsp_compare(uint32_t a, uint32_t b)
{
    return as_float(a) > as_float(b);
}
int xvcmpgesp_compare(uint32_t a, uint32_t b)
{
    return as_float(a) >= as_float(b);
}

uint32_t private_dp_cmp_ord(int lane, IOPDesc *iop, DpCompare compare, Vec128 a, Vec128 b, Vec128 *result)
{
    FP160 tmp;
    FP160_Init(&tmp, "private_dp_cmp_ord::tmp");
    const uint64_t x = Vec_Dword(a, lane), y = Vec_Dword(b, lane);
    uint64_t r = 0;
    if (is_nan(x) || is_nan(y))
        mark_ordered_nan(iop, &tmp, is_snan(x) || is_snan(y), "Invalid comparison");
    else if (compare(x, y))
        r = ~0ull;
    (lane == 0 ? result->high : result->low) = r;
    return finish_lane(iop, tmp);
}

uint32_t private_sp_cmp_ord(int lane, IOPDesc *iop, SpCompare compare, Vec128 a, Vec128 b, Vec128 *result)
{
    FP160 tmp;
    FP160_Init(&tmp, "private_sp_cmp_ord::tmp");
    const uint32_t x = Vec_Word(a, lane), y = Vec_Word(b, lane);
    uint32_t r = 0;
    if (is_nan(x) || is_nan(y))
        mark_ordered_nan(iop, &tmp, is_snan(x) || is_snan(y), "SNaN Operand");
    else if (compare(x, y))
        r = ~0u;
    Vec_Set_Word(result, lane, r);
    return finish_lane(iop, tmp);
}

namespace
{
template <typename T> T unordered_lane(FP160 *tmp, T x, T y)
{
    if (is_nan(x) || is_nan(y)) {
        if (is_snan(x) || is_snan(y))
            FP160_Mark_Exception(tmp, FP_SNAN_OPERAND, 0, tmp->name, "SNaN Operand");
        return 0;
    }
    // Equal patterns, or the two zeros.
    const T magnitude = ~((T)1 << (sizeof(T) * 8 - 1));
    return (x == y || ((x & magnitude) == 0 && (y & magnitude) == 0)) ? (T) ~(T)0 : 0;
}
} // namespace

uint32_t private_dp_cmp_unord(int lane, IOPDesc *iop, Vec128 a, Vec128 b, Vec128 *result)
{
    FP160 tmp;
    FP160_Init(&tmp, "private_dp_cmp_unord::tmp");
    (lane == 0 ? result->high : result->low) = unordered_lane(&tmp, Vec_Dword(a, lane), Vec_Dword(b, lane));
    return finish_lane(iop, tmp);
}

uint32_t private_sp_cmp_unord(int lane, IOPDesc *iop, Vec128 a, Vec128 b, Vec128 *result)
{
    FP160 tmp;
    FP160_Init(&tmp, "private_sp_cmp_unord::tmp");
    Vec_Set_Word(result, lane, unordered_lane(&tmp, Vec_Word(a, lane), Vec_Word(b, lane)));
    return finish_lane(iop, tmp);
}

uint32_t VSX_Round_DP_To_Integral(int element, IOPDesc *iop, uint64_t low, uint64_t high, int mode,
                                  uint64_t *result)
{
    const uint64_t source = element == 0 ? high : low;
    FP160 value;
    FP160_ConvertFromDP(&value, &source, "srdpi::op_B");
    FP160_MakeIntegral(&value, mode, 0);
    uint64_t out = 0;
    FP_Convert_ExceptionHandler64(iop, &value, &out, 0, FP_ROUND_ZERO);
    result[1 - element] = out;
    return value.exceptions;
}

uint32_t vmicro_sp_max(IOPDesc *, uint32_t *out, uint32_t a, uint32_t b)
{
    constexpr uint32_t kQuiet = Format<uint32_t>::kQuiet;
    FP160 tmp;
    FP160_Init(&tmp, "vmicro_sp_max::tmp");
    if (is_snan(a) || is_snan(b))
        FP160_Mark_Exception(&tmp, FP_SNAN_OPERAND, 0, "vmicro_sp_max", "SNaN operand");
    if (is_snan(a))
        *out = a | kQuiet;
    else if (is_nan(a))
        *out = is_nan(b) ? a : b;
    else if (is_snan(b))
        *out = b | kQuiet;
    else if (is_nan(b))
        *out = a;
    else if (b < a)
        *out = negative(a) ? b : a;
    else
        *out = negative(b) ? a : b;
    return tmp.exceptions;
}

void IOP_Set_CR_Field(IOPDesc *iop, uint32_t n, uint32_t value)
{
    IOP_Write_CR_Field(iop, n & 7, value & 0xF);
}

void IOP_Set_CR6_From_Vector_Compare(IOPDesc *iop, uint64_t low, uint64_t high)
{
    uint32_t field = 0;
    if (low == ~0ull && high == ~0ull)
        field = 8;
    else if (low == 0 && high == 0)
        field = 2;
    IOP_Set_CR6(iop, field);
}
