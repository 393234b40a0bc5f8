// FP160 addition, multiplication, division and square root.
#include "fp/fp160_arith.h"

#include "fp/fp160_bits.h"
#include "fp/fp160_round.h"

namespace
{

constexpr fp_u128 HEADROOM_128 = (fp_u128)1 << 127;

inline fp_u128 significand(const FP160 *v)
{
    return ((fp_u128)v->sig_hi << 64) | v->sig_lo;
}
inline void set_significand(FP160 *v, fp_u128 s)
{
    v->sig_hi = (uint64_t)(s >> 64);
    v->sig_lo = (uint64_t)s;
}
inline fp_u128 extension(const FP160 *v)
{
    return ((fp_u128)v->ext_hi << 64) | v->ext_lo;
}
inline void set_extension(FP160 *v, fp_u128 s)
{
    v->ext_hi = (uint64_t)(s >> 64);
    v->ext_lo = (uint64_t)s;
}
inline fp_u128 low_mask(uint32_t n)
{
    return n >= 128 ? ~(fp_u128)0 : ((fp_u128)1 << n) - 1;
}
inline bool negative(const FP160 *v)
{
    return v->sign != 0;
}

// The NaN rule of the binary operations: the first NaN operand, quieted, with both operands'
// NaN marks.
bool take_nan(FP160 *result, const FP160 *a, const FP160 *b)
{
    if (FP160_CheckNaN_Operand(result, a)) {
        FP160_CheckSNaN_Operand(result, b);
        return true;
    }
    return FP160_CheckNaN_Operand(result, b) != 0;
}

void make_default_nan(FP160 *result, uint32_t detail, const char *routine, const char *message)
{
    result->sign = 0;
    result->exponent = FP160_EXP_MAX;
    set_significand(result, 0);
    FP160_Make_Quiet_NaN(result);
    FP160_Mark_Exception(result, FP160_EXC_INVALID, detail, routine, "%s", message);
}

void make_infinity(FP160 *result, int32_t sign)
{
    result->sign = sign;
    result->exponent = FP160_EXP_MAX;
    set_significand(result, 0);
}

void make_zero(FP160 *result, int32_t sign)
{
    result->sign = sign;
    result->exponent = 0;
    set_significand(result, 0);
}

// Shifts the smaller operand right by d places (its 256-bit significand when wide); true when a
// set bit was lost.
bool align(FP160 *v, uint32_t d)
{
    if (v->wide) {
        fp_u128 hi = significand(v), lo = extension(v);
        bool lost;
        if (d >= 256) {
            lost = (hi | lo) != 0;
            hi = lo = 0;
        } else if (d >= 128) {
            lost = lo != 0 || (hi & low_mask(d - 128)) != 0;
            lo = d == 128 ? hi : hi >> (d - 128);
            hi = 0;
        } else {
            lost = (lo & low_mask(d)) != 0;
            lo = (lo >> d) | (hi << (128 - d));
            hi >>= d;
        }
        set_significand(v, hi);
        set_extension(v, lo);
        return lost;
    }
    const fp_u128 s = significand(v);
    const bool lost = (s & low_mask(d)) != 0;
    set_significand(v, d >= 128 ? 0 : s >> d);
    return lost;
}

} // namespace

int FP160_CheckNaN_Operand(FP160 *result, const FP160 *operand)
{
    if (!FP160_Is_NaN(operand)) return 0;
    *result = *operand;
    if (operand->sig_hi & FP160_QUIET_BIT)
        FP160_Mark_Exception(result, FP160_EXC_QNAN, 0, "FP160_CheckNaN_Operand", "Operand is QNaN");
    else
        FP160_Mark_Exception(result, FP160_EXC_SNAN, 0, "FP160_CheckNaN_Operand", "Operand is SNaN");
    FP160_Make_Quiet_NaN(result);
    return 1;
}

int FP160_CheckSNaN_Operand(FP160 *result, const FP160 *operand)
{
    if (!FP160_Is_NaN(operand)) return 0;
    if (operand->sig_hi & FP160_QUIET_BIT)
        FP160_Mark_Exception(result, FP160_EXC_QNAN, 0, "FP160_CheckSNaN_Operand", "Operand is QNaN");
    else
        FP160_Mark_Exception(result, FP160_EXC_SNAN, 0, "FP160_CheckSNaN_Operand", "Operand is SNaN");
    return 1;
}

void FP160_Add_GMode(FP160 *a, const FP160 *b, int mode, int graph)
{
    FP160 x = *a, y = *b;
    x.sig_hi &= ~FP160_HEADROOM_BIT;
    y.sig_hi &= ~FP160_HEADROOM_BIT;
    FP160 r;
    FP160_Init(&r, "FP160_Add_GMode::result");
    r.op_kind = FP160_OP_ADD;
    r.wide = x.wide | y.wide;
    r.eff_subtract = negative(&x) != negative(&y) ? 1 : 0;

    if (!graph) {
        if (take_nan(&r, &x, &y)) {
            *a = r;
            return;
        }
        const bool x_inf = FP160_Is_Infinity(&x), y_inf = FP160_Is_Infinity(&y);
        if (x_inf && y_inf) {
            if (r.eff_subtract)
                make_default_nan(&r, FP160_INV_INF_MINUS_INF, "FP160_Add_GMode",
                                 "A and B operands opposite sign and both INF");
            else
                make_infinity(&r, x.sign);
            *a = r;
            return;
        }
        if (x_inf || y_inf) {
            make_infinity(&r, x_inf ? x.sign : y.sign);
            *a = r;
            return;
        }
    }
    if (FP160_Is_Zero(&x)) {
        r = y;
        if (FP160_Is_Zero(&y) && negative(&x) != negative(&y)) r.sign = mode == FP_ROUND_MINUS_INF ? 1 : 0;
        *a = r;
        return;
    }
    if (FP160_Is_Zero(&y)) {
        *a = x;
        return;
    }

    FP160 *larger = &y, *smaller = &x;
    if (y.exponent < x.exponent) {
        larger = &x;
        smaller = &y;
    }
    const uint32_t d = larger->exponent - smaller->exponent;
    if (d > 0) {
        if (align(smaller, d)) {
            FP160_Mark_Exception(&r, FP160_EXC_INEXACT, 0, "FP160_Add_GMode",
                                 "Exponent difference (%d) shift loses precision", (int)d);
            if (r.eff_subtract)
                smaller->sig_lo |= 1; // sticky: the subtraction rounds as if the bits were there
        }
        smaller->exponent = larger->exponent;
    }
    r.exponent = larger->exponent;

    const fp_u128 sx = significand(&x), sy = significand(&y);
    if (!r.eff_subtract) {
        r.sign = x.sign;
        set_significand(&r, sx + sy);
        if (r.wide) set_extension(&r, x.wide ? extension(&x) : extension(&y));
    } else if (sx == sy) {
        make_zero(&r, 0);
    } else {
        const FP160 *big = sx > sy ? &x : &y;
        const FP160 *small = sx > sy ? &y : &x;
        r.sign = big->sign;
        if (!r.wide) {
            set_significand(&r, significand(big) - significand(small));
            set_extension(&r, extension(big));
        } else {
            // Negate the smaller's 256-bit significand (an operand that is not wide has no
            // extension in use) and add its upper half to the larger's.
            const fp_u128 small_ext = small->wide ? extension(small) : 0;
            const fp_u128 neg_ext = ~small_ext + 1;
            const fp_u128 neg_sig = ~significand(small) + (small_ext == 0 ? 1 : 0);
            set_significand(&r, significand(big) + neg_sig);
            set_extension(&r, small->wide ? neg_ext : extension(big));
        }
    }

    if (r.sig_hi & FP160_HEADROOM_BIT) {
        if (r.sig_lo & 1)
            FP160_Mark_Exception(
                &r, FP160_EXC_INEXACT, 0, "FP160_Add_GMode",
                "Carry out of significand and exponent increment causes right-shift precision loss");
        set_significand(&r, significand(&r) >> 1);
        r.exponent += 1;
    }
    if (r.exponent == 0 && significand(&r) == 0 && r.eff_subtract)
        r.sign = mode == FP_ROUND_MINUS_INF ? 1 : 0;
    FP160_Normalize(&r);
    if (x.exceptions | y.exceptions)
        FP160_Mark_Exception(&r, x.exceptions | y.exceptions, x.invalid_detail | y.invalid_detail,
                             "FP160_Add_GMode", "Exceptions from inputs carried forward to result");
    *a = r;
}

void FP160_Add(FP160 *a, const FP160 *b, int mode)
{
    FP160_Add_GMode(a, b, mode, 0);
}

void FP160_Multiply_GMode(FP160 *a, const FP160 *b, int graph)
{
    FP160 r;
    FP160_Init(&r, "FP160_Multiply_GMode::result");
    r.op_kind = FP160_OP_MULTIPLY;
    r.wide = a->wide | b->wide;
    const int32_t sign = negative(a) != negative(b) ? 1 : 0;

    if (!graph) {
        if (take_nan(&r, a, b)) {
            *a = r;
            return;
        }
        const bool a_inf = FP160_Is_Infinity(a), b_inf = FP160_Is_Infinity(b);
        if (a_inf || b_inf) {
            if ((a_inf && FP160_Is_Zero(b)) || (b_inf && FP160_Is_Zero(a)))
                make_default_nan(&r, FP160_INV_ZERO_TIMES_INF, "FP160_Multiply_GMode",
                                 "Operands cause 0 * INF exception");
            else
                make_infinity(&r, sign);
            *a = r;
            return;
        }
    }
    if (FP160_Is_Zero(a) || FP160_Is_Zero(b)) {
        make_zero(&r, sign);
        *a = r;
        return;
    }

    uint32_t exponent = a->exponent + b->exponent - FP160_BIAS;
    exponent += (a->exponent == 0 ? 1 : 0) + (b->exponent == 0 ? 1 : 0);

    // The 256-bit product from 64 x 64-bit partial products.
    const uint64_t a0 = a->sig_lo, a1 = a->sig_hi, b0 = b->sig_lo, b1 = b->sig_hi;
    const fp_u128 p00 = (fp_u128)a0 * b0, p01 = (fp_u128)a0 * b1, p10 = (fp_u128)a1 * b0,
                  p11 = (fp_u128)a1 * b1;
    const fp_u128 mid = (p00 >> 64) + (uint64_t)p01 + (uint64_t)p10; // at most 3 * 2^64
    fp_u128 low = ((fp_u128)(uint64_t)mid << 64) | (uint64_t)p00;
    fp_u128 high = p11 + (p01 >> 64) + (p10 >> 64) + (mid >> 64);

    // Align so that the integer bit lands on significand bit 1.
    bool lost = false;
    if (high >> 127) { // leading bit 255
        lost = low & 1;
        low = (low >> 1) | (high << 127);
        high >>= 1;
        exponent += 3;
    } else if (high >> 126) { // 254
        exponent += 2;
    } else if (high >> 125) { // 253
        high = (high << 1) | (low >> 127);
        low <<= 1;
        exponent += 1;
    } else { // 252 (or lower for inputs that are not normalised)
        high = (high << 2) | (low >> 126);
        low <<= 2;
    }
    if (low != 0 || lost)
        FP160_Mark_Exception(&r, FP160_EXC_INEXACT, 0, "FP160_Multiply_GMode",
                             "Low bits of 255-bit result discarded");
    r.sign = sign;
    r.exponent = exponent;
    set_significand(&r, high);
    set_extension(&r, low);
    FP160_Normalize(&r);
    *a = r;
}

void FP160_Multiply(FP160 *a, const FP160 *b)
{
    FP160_Multiply_GMode(a, b, 0);
}

void FP160_Divide_GMode(FP160 *a, const FP160 *b, int graph)
{
    FP160 r;
    FP160_Init(&r, "FP160_Divide::result");
    r.op_kind = FP160_OP_DIVIDE;
    const int32_t sign = negative(a) != negative(b) ? 1 : 0;
    if (!graph && take_nan(&r, a, b)) {
        *a = r;
        return;
    }
    const bool a_inf = FP160_Is_Infinity(a), b_inf = FP160_Is_Infinity(b);
    const bool a_zero = FP160_Is_Zero(a), b_zero = FP160_Is_Zero(b);
    if (a_inf && b_inf) {
        make_default_nan(&r, FP160_INV_INF_DIV_INF, "FP160_Divide", "INF / INF operation attempted");
    } else if (a_zero && b_zero) {
        make_default_nan(&r, FP160_INV_ZERO_DIV_ZERO, "FP160_Divide", "0 / 0 operation attempted");
    } else if (a_inf) {
        make_infinity(&r, sign);
    } else if (b_zero) {
        make_infinity(&r, sign);
        FP160_Mark_Exception(&r, FP160_EXC_ZERO_DIVIDE, 0, "FP160_Divide", "Division by zero attempted");
    } else if (a_zero || b_inf) {
        make_zero(&r, sign);
    } else {
        r.sign = sign;
        r.exponent = a->exponent - b->exponent + FP160_BIAS;
        fp_u128 quotient = 0;
        if (a->src_format == FP_FORMAT_QP) {
            // Non-restoring division of the 128-bit significands, in wrap-around arithmetic: the
            // true partial remainder always lies in (-b, b).
            const fp_u128 divisor = significand(b);
            fp_u128 h = significand(a) - divisor;
            for (int i = 1; i <= 127; i++) {
                if (!(h >> 127)) {
                    quotient |= (fp_u128)1 << (127 - i);
                    h = (h << 1) - divisor;
                } else {
                    h = (h << 1) + divisor;
                }
            }
            // h holds the remainder after one more step: restore it to test for zero.
            const fp_u128 remainder = (h >> 127) ? h + divisor : h;
            if (remainder != 0)
                FP160_Mark_Exception(&r, FP160_EXC_INEXACT, 0, "FP160_Divide",
                                     "Reminder is non zero will cause precision loss");
        } else {
            // The high words only: for double precision or narrower operands the quotient has a
            // set bit below the guard and round bits whenever it is inexact.
            const uint64_t divisor = b->sig_hi;
            uint64_t h = a->sig_hi - divisor;
            for (int i = 1; i <= 127; i++) {
                if (!(h >> 63)) {
                    quotient |= (fp_u128)1 << (127 - i);
                    h = (h << 1) - divisor;
                } else {
                    h = (h << 1) + divisor;
                }
            }
        }
        set_significand(&r, quotient);
        FP160_Normalize(&r);
    }
    *a = r;
}

void FP160_Divide(FP160 *a, const FP160 *b)
{
    FP160_Divide_GMode(a, b, 0);
}

namespace
{

// The exponent steps of the square roots: an even unbiased exponent moves the significand one
// place right; the exponent is halved. Returns the significand shifted left by one place.
fp_u128 sqrt_prepare(FP160 *a)
{
    a->sign = 0;
    fp_u128 s = significand(a);
    if (a->exponent & 1) {
        a->exponent += 1;
        s >>= 1;
    }
    a->exponent = (uint32_t)(((int32_t)(a->exponent - FP160_BIAS)) >> 1) + FP160_BIAS;
    return s << 1;
}

} // namespace

void FP160_Sqrt(FP160 *a)
{
    uint64_t t = (uint64_t)(sqrt_prepare(a) >> 64);
    uint64_t remainder = 0, root = 0;
    for (int i = 0; i < 56; i++) {
        remainder = (remainder << 2) | (t >> 62);
        t <<= 2;
        if ((root << 2) < remainder) {
            remainder -= (root << 2) + 1;
            root = (root << 1) + 1;
        } else {
            root <<= 1;
        }
    }
    a->sig_hi = root << 7;
    a->sig_lo = 0;
    FP160_Normalize(a);
    if (remainder != 0) a->sig_lo |= 1;
}

namespace
{

// A 256-bit unsigned number for the remainder of the 128-bit square root.
struct U256 {
    fp_u128 hi, lo;
};
inline bool less_equal(const U256 &x, const U256 &y)
{
    return x.hi < y.hi || (x.hi == y.hi && x.lo <= y.lo);
}
inline U256 subtract(const U256 &x, const U256 &y)
{
    return U256{x.hi - y.hi - (x.lo < y.lo ? 1 : 0), x.lo - y.lo};
}

} // namespace

void FP160_Q_Sqrt(FP160 *a)
{
    fp_u128 t = sqrt_prepare(a);
    U256 remainder{0, 0};
    fp_u128 root = 0;
    for (int i = 0; i < 127; i++) { // 127 root bits: the first lands on the integer bit
        remainder.hi = (remainder.hi << 2) | (remainder.lo >> 126);
        remainder.lo = (remainder.lo << 2) | (t >> 126);
        t <<= 2;
        const U256 trial{root >> 126, (root << 2) | 1};
        if (less_equal(trial, remainder)) {
            remainder = subtract(remainder, trial);
            root = (root << 1) | 1;
        } else {
            root <<= 1;
        }
    }
    set_significand(a, root);
    FP160_Normalize(a);
    if (remainder.hi != 0 || remainder.lo != 0) a->sig_lo |= 1;
}
