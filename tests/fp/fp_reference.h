// Reference arithmetic for the floating-point tests: exact values held as GMP integers times a
// power of two (with a sticky flag for the quotients and roots that do not terminate), rounded to
// an IEEE binary format in the six rounding modes; and the host's own IEEE arithmetic in the four
// directed modes. Both are independent of the FP160 library.
#pragma once

#include <gmpxx.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace fpref
{

using u128 = unsigned __int128;

// An IEEE binary interchange format.
struct Format {
    int fbits; // fraction bits
    int ebits; // exponent bits
    const char *name;
    int bias() const { return (1 << (ebits - 1)) - 1; }
    int precision() const { return fbits + 1; }
    int emin() const { return 1 - bias(); } // exponent of the smallest normal
    int emax() const { return bias(); }
    u128 exponent_mask() const { return (((u128)1 << ebits) - 1) << fbits; }
    u128 fraction_mask() const { return ((u128)1 << fbits) - 1; }
    u128 sign_bit() const { return (u128)1 << (fbits + ebits); }
};
constexpr Format HALF{10, 5, "half"};
constexpr Format SINGLE{23, 8, "single"};
constexpr Format DOUBLE{52, 11, "double"};
constexpr Format QUAD{112, 15, "quad"};

// A value: NaN, infinity, or (M + sticky * epsilon) * 2^E with 0 < epsilon < 1.
struct Exact {
    enum Kind { FINITE, INFINITE, NAN_VALUE } kind = FINITE;
    bool negative = false;
    mpz_class m = 0;
    long e = 0;
    bool sticky = false;
    bool invalid = false;     // the operation was invalid (its result is the default NaN)
    bool divide_zero = false; // division of a finite non-zero number by zero
    bool is_zero() const { return kind == FINITE && m == 0 && !sticky; }
};

inline mpz_class from_u128(u128 v)
{
    mpz_class hi = (unsigned long)(uint64_t)(v >> 64);
    mpz_class lo = (unsigned long)(uint64_t)v;
    return (hi << 64) + lo;
}
inline u128 to_u128(const mpz_class &v)
{
    mpz_class lo = v & mpz_class("18446744073709551615");
    mpz_class hi = v >> 64;
    return ((u128)hi.get_ui() << 64) | (u128)lo.get_ui();
}

inline Exact decode(const Format &f, u128 bits)
{
    Exact x;
    x.negative = (bits & f.sign_bit()) != 0;
    const int field = (int)((bits & f.exponent_mask()) >> f.fbits);
    const u128 fraction = bits & f.fraction_mask();
    if (field == (1 << f.ebits) - 1) {
        x.kind = fraction ? Exact::NAN_VALUE : Exact::INFINITE;
        return x;
    }
    if (field == 0) {
        x.m = from_u128(fraction);
        x.e = f.emin() - f.fbits;
    } else {
        x.m = from_u128(fraction | ((u128)1 << f.fbits));
        x.e = field - f.bias() - f.fbits;
    }
    return x;
}

inline Exact nan_result(bool invalid)
{
    Exact x;
    x.kind = Exact::NAN_VALUE;
    x.invalid = invalid;
    return x;
}
inline Exact infinity(bool negative)
{
    Exact x;
    x.kind = Exact::INFINITE;
    x.negative = negative;
    return x;
}
inline Exact zero(bool negative)
{
    Exact x;
    x.negative = negative;
    return x;
}

// Exact sum; an exact zero from opposite signs is -0 only in mode 3.
inline Exact add(const Exact &a, const Exact &b, int mode)
{
    if (a.kind == Exact::NAN_VALUE || b.kind == Exact::NAN_VALUE) return nan_result(a.invalid || b.invalid);
    if (a.kind == Exact::INFINITE && b.kind == Exact::INFINITE)
        return a.negative == b.negative ? a : nan_result(true);
    if (a.kind == Exact::INFINITE) return a;
    if (b.kind == Exact::INFINITE) return b;
    if (a.is_zero() && b.is_zero()) return zero(a.negative == b.negative ? a.negative : mode == 3);
    const long e = std::min(a.e, b.e);
    mpz_class sa = a.m << (a.e - e), sb = b.m << (b.e - e);
    if (a.negative) sa = -sa;
    if (b.negative) sb = -sb;
    mpz_class s = sa + sb;
    if (s == 0) return zero(mode == 3);
    Exact x;
    x.negative = s < 0;
    x.m = abs(s);
    x.e = e;
    return x;
}

inline Exact multiply(const Exact &a, const Exact &b)
{
    if (a.kind == Exact::NAN_VALUE || b.kind == Exact::NAN_VALUE) return nan_result(false);
    const bool negative = a.negative != b.negative;
    if (a.kind == Exact::INFINITE || b.kind == Exact::INFINITE) {
        if (a.is_zero() || b.is_zero()) return nan_result(true);
        return infinity(negative);
    }
    Exact x;
    x.negative = negative;
    x.m = a.m * b.m;
    x.e = a.e + b.e;
    return x;
}

inline Exact divide(const Exact &a, const Exact &b)
{
    if (a.kind == Exact::NAN_VALUE || b.kind == Exact::NAN_VALUE) return nan_result(false);
    const bool negative = a.negative != b.negative;
    if (a.kind == Exact::INFINITE && b.kind == Exact::INFINITE) return nan_result(true);
    if (a.is_zero() && b.is_zero()) return nan_result(true);
    if (a.kind == Exact::INFINITE) return infinity(negative);
    if (b.is_zero()) {
        Exact x = infinity(negative);
        x.divide_zero = true;
        return x;
    }
    if (a.is_zero() || b.kind == Exact::INFINITE) return zero(negative);
    constexpr long extra = 300; // quotient bits beyond any format's precision
    mpz_class q, r;
    mpz_class n = a.m << extra;
    mpz_tdiv_qr(q.get_mpz_t(), r.get_mpz_t(), n.get_mpz_t(), b.m.get_mpz_t());
    Exact x;
    x.negative = negative;
    x.m = q;
    x.e = a.e - b.e - extra;
    x.sticky = r != 0;
    return x;
}

// Square root of a positive finite value (zeros, negatives and the rest are the callers').
inline Exact square_root(const Exact &a)
{
    constexpr long extra = 300;
    mpz_class m = a.m;
    long e = a.e;
    if (e & 1) {
        m <<= 1;
        e -= 1;
    }
    m <<= 2 * extra;
    e -= 2 * extra;
    mpz_class root, rem;
    mpz_sqrtrem(root.get_mpz_t(), rem.get_mpz_t(), m.get_mpz_t());
    Exact x;
    x.m = root;
    x.e = e / 2;
    x.sticky = rem != 0;
    return x;
}

// A rounded result: the format's bits and IEEE flags.
struct Rounded {
    u128 bits = 0;
    bool nan = false;
    bool inexact = false;
    bool overflow = false;
    bool tiny = false;         // |exact| below the smallest normal (tininess before rounding)
    bool below_window = false; // |exact| below half the smallest denormal's exponent range
    bool rounded_up = false;   // the magnitude was incremented
    bool invalid = false;
    bool divide_zero = false;
};

inline u128 largest_finite(const Format &f)
{
    return ((((u128)1 << f.ebits) - 2) << f.fbits) | f.fraction_mask();
}

// Rounds to the format in mode 0 (nearest even), 1 (zero), 2 (+inf), 3 (-inf), 4 (odd),
// 5 (nearest, ties away). Overflow gives what IEEE prescribes for the mode (round to odd:
// the largest finite).
inline Rounded round(const Exact &x, const Format &f, int mode)
{
    Rounded r;
    r.invalid = x.invalid;
    r.divide_zero = x.divide_zero;
    const u128 sign = x.negative ? f.sign_bit() : 0;
    if (x.kind == Exact::NAN_VALUE) {
        r.nan = true;
        r.bits = f.exponent_mask() | ((u128)1 << (f.fbits - 1));
        return r;
    }
    if (x.kind == Exact::INFINITE) {
        r.bits = sign | f.exponent_mask();
        return r;
    }
    if (x.is_zero()) {
        r.bits = sign;
        return r;
    }
    const long p = f.precision();
    const long leading = (long)mpz_sizeinbase(x.m.get_mpz_t(), 2) - 1 + x.e;
    r.tiny = leading < f.emin();
    r.below_window = leading < f.emin() - p;
    long q = std::max(leading - p + 1, (long)f.emin() - p + 1); // exponent of the last kept bit
    const long s = q - x.e;
    mpz_class kept, rem = 0, half = 0;
    if (s <= 0) {
        kept = x.m << -s;
    } else {
        kept = x.m >> s;
        rem = x.m - (kept << s);
        half = mpz_class(1) << (s - 1);
    }
    const bool nonzero = rem != 0 || x.sticky;
    const bool above_half = s > 0 && (rem > half || (rem == half && x.sticky));
    const bool at_half = s > 0 && rem == half && !x.sticky;
    const bool lsb = mpz_tstbit(kept.get_mpz_t(), 0);
    bool up = false;
    switch (mode) {
    case 0:
        up = above_half || (at_half && lsb);
        break;
    case 1:
        up = false;
        break;
    case 2:
        up = nonzero && !x.negative;
        break;
    case 3:
        up = nonzero && x.negative;
        break;
    case 4:
        up = nonzero && !lsb;
        break;
    case 5:
        up = above_half || at_half;
        break;
    }
    r.inexact = nonzero;
    r.rounded_up = up;
    if (up) kept += 1;
    if (mpz_sizeinbase(kept.get_mpz_t(), 2) > (size_t)p) {
        kept >>= 1;
        q += 1;
    }
    const bool normal = mpz_sizeinbase(kept.get_mpz_t(), 2) == (size_t)p && kept != 0;
    if (normal) {
        const long biased = q + p - 1 + f.bias();
        if (biased >= (1 << f.ebits) - 1) {
            r.overflow = true;
            r.inexact = true;
            const bool to_infinity =
                mode == 0 || mode == 5 || (mode == 2 && !x.negative) || (mode == 3 && x.negative);
            r.bits = sign | (to_infinity ? f.exponent_mask() : largest_finite(f));
            return r;
        }
        r.bits = sign | ((u128)biased << f.fbits) | (to_u128(kept) & f.fraction_mask());
    } else {
        r.bits = sign | to_u128(kept);
    }
    return r;
}

// The host's IEEE arithmetic under a rounding mode, with its exception flags.
struct Host {
    int flags;
    explicit Host(int mode)
    {
        static const int modes[4] = {FE_TONEAREST, FE_TOWARDZERO, FE_UPWARD, FE_DOWNWARD};
        saved_ = fegetround();
        fesetround(modes[mode]);
        feclearexcept(FE_ALL_EXCEPT);
    }
    ~Host() { fesetround(saved_); }
    void done() { flags = fetestexcept(FE_ALL_EXCEPT); }

  private:
    int saved_;
};

inline uint64_t bits_of(double d)
{
    uint64_t b;
    memcpy(&b, &d, sizeof b);
    return b;
}
inline double double_of(uint64_t b)
{
    double d;
    memcpy(&d, &b, sizeof d);
    return d;
}
inline uint32_t bits_of(float f)
{
    uint32_t b;
    memcpy(&b, &f, sizeof b);
    return b;
}
inline float float_of(uint32_t b)
{
    float f;
    memcpy(&f, &b, sizeof f);
    return f;
}

} // namespace fpref
