// FP160 arithmetic on its special values and the cases where exactness is decided: signed zeros,
// infinities, NaN precedence, alignment losses, the sticky bit of subtraction, the full product
// of a fused multiply-add, and the division and square-root known results.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "fp/fp160.h"
#include "fp/fp160_arith.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"

namespace
{

FP160 dp(uint64_t bits)
{
    FP160 v;
    FP160_ConvertFromDP(&v, &bits, "test");
    return v;
}
FP160 from_double(double d)
{
    uint64_t bits;
    memcpy(&bits, &d, sizeof bits);
    return dp(bits);
}
uint64_t to_double_bits(FP160 v, int mode = 0)
{
    uint64_t out;
    FP160_Convert64(&v, mode, &out, 3);
    return out;
}
double to_double(FP160 v, int mode = 0)
{
    const uint64_t bits = to_double_bits(v, mode);
    double d;
    memcpy(&d, &bits, sizeof d);
    return d;
}

constexpr uint64_t POS_INF = 0x7FF0000000000000ull, NEG_INF = 0xFFF0000000000000ull;
constexpr uint64_t DEFAULT_NAN = 0x7FF8000000000000ull;

TEST(FP160Arith, InfinitiesAndZerosInAddition)
{
    FP160 a = dp(POS_INF), b = dp(NEG_INF);
    FP160_Add(&a, &b, 0);
    EXPECT_EQ(to_double_bits(a), DEFAULT_NAN);
    EXPECT_EQ(a.exceptions, FP160_EXC_INVALID);
    EXPECT_EQ(a.invalid_detail, FP160_INV_INF_MINUS_INF);

    FP160 c = dp(POS_INF), d = dp(POS_INF);
    FP160_Add(&c, &d, 0);
    EXPECT_EQ(to_double_bits(c), POS_INF);
    EXPECT_EQ(c.exceptions, 0u);

    FP160 e = dp(NEG_INF), one = from_double(1.0);
    FP160_Add(&e, &one, 0);
    EXPECT_EQ(to_double_bits(e), NEG_INF);

    // Signed zeros: (+0) + (-0) is -0 only in mode 3; (-0) + (-0) is -0.
    for (int mode = 0; mode <= 5; mode++) {
        FP160 p = from_double(0.0), m = from_double(-0.0);
        FP160_Add(&p, &m, mode);
        EXPECT_EQ(p.sign, mode == 3 ? 1 : 0) << mode;
        FP160 m1 = from_double(-0.0), m2 = from_double(-0.0);
        FP160_Add(&m1, &m2, mode);
        EXPECT_EQ(m1.sign, 1) << mode;
        // x + (-x) is an exact zero with the same rule.
        FP160 x = from_double(1.75), y = from_double(-1.75);
        FP160_Add(&x, &y, mode);
        EXPECT_TRUE(FP160_Is_Zero(&x));
        EXPECT_EQ(x.sign, mode == 3 ? 1 : 0) << mode;
        EXPECT_EQ(x.eff_subtract, 1);
        EXPECT_EQ(x.op_kind, FP160_OP_ADD);
    }
    // a + 0 is a, record and all.
    FP160 v = from_double(3.0), z = from_double(-0.0);
    v.exceptions = FP160_EXC_INEXACT;
    FP160_Add(&v, &z, 0);
    EXPECT_EQ(to_double(v), 3.0);
    EXPECT_EQ(v.exceptions, FP160_EXC_INEXACT);
}

TEST(FP160Arith, NaNPrecedence)
{
    const uint64_t qnan = 0xFFF8000000000ABCull, snan = 0x7FF0000000000DEFull;
    FP160 a = dp(qnan), b = dp(snan);
    FP160_Add(&a, &b, 0);
    EXPECT_EQ(to_double_bits(a), qnan);
    EXPECT_EQ(a.exceptions, FP160_EXC_QNAN | FP160_EXC_SNAN);

    // The first NaN is taken and quieted with its payload and sign.
    FP160 one = from_double(1.0), s = dp(snan);
    FP160_Multiply(&one, &s);
    EXPECT_EQ(to_double_bits(one), snan | (1ull << 51));
    EXPECT_EQ(one.exceptions, FP160_EXC_SNAN);
    FP160 s2 = dp(snan | (1ull << 63)), q2 = dp(qnan);
    FP160_Divide(&s2, &q2);
    EXPECT_EQ(to_double_bits(s2), snan | (1ull << 63) | (1ull << 51));
    EXPECT_EQ(s2.exceptions, FP160_EXC_SNAN | FP160_EXC_QNAN);

    FP160 r;
    FP160_Init(&r, "r");
    const FP160 n = dp(snan), x = from_double(2.0);
    EXPECT_EQ(FP160_CheckSNaN_Operand(&r, &n), 1);
    EXPECT_EQ(r.exceptions, FP160_EXC_SNAN);
    EXPECT_EQ(r.exponent, 0u); // only marked
    EXPECT_EQ(FP160_CheckNaN_Operand(&r, &x), 0);
}

TEST(FP160Arith, MultiplicationAndDivisionSpecials)
{
    struct Case {
        const char *what;
        bool divide;
        double a, b;
        uint64_t result;
        uint32_t flags, detail;
    } cases[] = {
        {"0 * inf", false, 0.0, INFINITY, DEFAULT_NAN, FP160_EXC_INVALID, FP160_INV_ZERO_TIMES_INF},
        {"inf * -0", false, INFINITY, -0.0, DEFAULT_NAN, FP160_EXC_INVALID, FP160_INV_ZERO_TIMES_INF},
        {"-2 * +0", false, -2.0, 0.0, 0x8000000000000000ull, 0, 0},
        {"-inf * 3", false, -INFINITY, 3.0, NEG_INF, 0, 0},
        {"1 / 0", true, 1.0, 0.0, POS_INF, FP160_EXC_ZERO_DIVIDE, 0},
        {"-1 / 0", true, -1.0, 0.0, NEG_INF, FP160_EXC_ZERO_DIVIDE, 0},
        {"0 / 0", true, 0.0, -0.0, DEFAULT_NAN, FP160_EXC_INVALID, FP160_INV_ZERO_DIV_ZERO},
        {"inf / inf", true, INFINITY, -INFINITY, DEFAULT_NAN, FP160_EXC_INVALID, FP160_INV_INF_DIV_INF},
        {"inf / 0", true, INFINITY, 0.0, POS_INF, 0, 0},
        {"-0 / 5", true, -0.0, 5.0, 0x8000000000000000ull, 0, 0},
        {"5 / -inf", true, 5.0, -INFINITY, 0x8000000000000000ull, 0, 0},
    };
    for (const Case &c : cases) {
        FP160 a = from_double(c.a), b = from_double(c.b);
        if (c.divide)
            FP160_Divide(&a, &b);
        else
            FP160_Multiply(&a, &b);
        EXPECT_EQ(to_double_bits(a), c.result) << c.what;
        EXPECT_EQ(a.exceptions, c.flags) << c.what;
        EXPECT_EQ(a.invalid_detail, c.detail) << c.what;
        EXPECT_EQ(a.op_kind, c.divide ? FP160_OP_DIVIDE : FP160_OP_MULTIPLY) << c.what;
    }
}

TEST(FP160Arith, AlignmentLossesAndTheSubtractionStickyBit)
{
    // 1 + 2^-60 loses nothing in the working format; rounding to double is inexact.
    FP160 a = from_double(1.0), b = from_double(std::ldexp(1.0, -60));
    FP160_Add(&a, &b, 0);
    EXPECT_EQ(a.exceptions, 0u);
    EXPECT_EQ(a.sig_hi, FP160_INTEGER_BIT | (1ull << 2));
    EXPECT_EQ(to_double(a), 1.0);

    // 1 - 2^-200: the shifted operand loses its bit, the sticky bit makes the difference just
    // below 1, so rounding toward zero gives the largest double below 1.
    FP160 c = from_double(1.0), d = from_double(-std::ldexp(1.0, -200));
    FP160_Add(&c, &d, 0);
    EXPECT_TRUE(c.exceptions & FP160_EXC_INEXACT);
    EXPECT_EQ(to_double(c, 1), std::nextafter(1.0, 0.0));
    EXPECT_EQ(to_double(c, 0), 1.0);
    EXPECT_EQ(to_double(c, 3), std::nextafter(1.0, 0.0));
    EXPECT_EQ(to_double(c, 2), 1.0);

    // The carry out of the significand shifts right and raises the exponent.
    FP160 e = from_double(std::nextafter(2.0, 0.0)), f = from_double(std::nextafter(2.0, 0.0));
    FP160_Add(&e, &f, 0);
    EXPECT_EQ(to_double(e), 2 * std::nextafter(2.0, 0.0));
    EXPECT_EQ(e.exceptions, 0u);

    // The inputs' flags are carried into the sum (an inexact product keeps acting as sticky).
    FP160 g = from_double(1.0), h = from_double(1.0);
    h.exceptions = FP160_EXC_INEXACT | FP160_EXC_INVALID;
    h.invalid_detail = FP160_INV_ZERO_TIMES_INF;
    FP160_Add(&g, &h, 0);
    EXPECT_EQ(g.exceptions, FP160_EXC_INEXACT | FP160_EXC_INVALID);
    EXPECT_EQ(g.invalid_detail, FP160_INV_ZERO_TIMES_INF);
    EXPECT_STREQ(g.name, "FP160_Add_GMode::result");
}

TEST(FP160Arith, FusedMultiplyAddKeepsTheWholeProduct)
{
    // (1 + 2^-30)^2 = 1 + 2^-29 + 2^-60: a product minus its rounded value is its exact low part.
    const double x = 1.0 + std::ldexp(1.0, -30);
    FP160 p = from_double(x), q = from_double(x);
    FP160_Multiply(&p, &q);
    EXPECT_EQ(p.exceptions, 0u);
    const double rounded = to_double(p);
    EXPECT_EQ(rounded, 1.0 + std::ldexp(1.0, -29));
    FP160 minus = from_double(-rounded);
    FP160_Add(&p, &minus, 0);
    EXPECT_EQ(to_double(p), std::ldexp(1.0, -60));
    EXPECT_EQ(p.exceptions, 0u);

    // The low 128 bits of a product beyond the kept ones go to the extension and mark inexact.
    FP160 w = from_double(1.0), v = from_double(1.0);
    w.sig_lo = 1;
    v.sig_lo = 1ull << 63;
    FP160_Multiply(&w, &v);
    EXPECT_TRUE(w.exceptions & FP160_EXC_INEXACT);
    EXPECT_EQ(w.sig_lo, (1ull << 63) | 1);
    EXPECT_EQ(w.ext_hi, 2u);
    EXPECT_EQ(w.ext_lo, 0u);
}

TEST(FP160Arith, WideSignificandsAddAsOneNumber)
{
    // b = -2^-200 held as -2^-72 scaled by a significand whose only set bit is in the extension
    // words: 1 + b is exact in 256 bits, just below 1.
    FP160 a = from_double(1.0), b = from_double(-1.0);
    a.wide = b.wide = 1;
    b.exponent -= 72;
    b.sig_hi = b.sig_lo = 0;
    b.ext_hi = 1ull << 62; // 2^-128 of the significand
    FP160_Add(&a, &b, 0);
    EXPECT_EQ(a.exceptions, 0u);
    EXPECT_EQ(a.wide, 1);
    EXPECT_EQ(to_double(a, 1), std::nextafter(1.0, 0.0));
    EXPECT_EQ(to_double(a, 0), 1.0);
}

TEST(FP160Arith, DivisionAndSquareRootResults)
{
    FP160 a = from_double(1.0), b = from_double(3.0);
    FP160_Divide(&a, &b);
    EXPECT_EQ(to_double_bits(a), 0x3FD5555555555555ull);
    EXPECT_STREQ(a.name, "FP160_Divide::result");

    FP160 two = from_double(2.0);
    FP160_Sqrt(&two);
    EXPECT_EQ(to_double_bits(two), 0x3FF6A09E667F3BCDull);
    EXPECT_EQ(two.sig_lo & 1, 1u);

    FP160 four = from_double(4.0);
    FP160_Sqrt(&four);
    EXPECT_EQ(to_double(four), 2.0);
    EXPECT_EQ(four.sig_lo, 0u);
    EXPECT_EQ(four.exceptions, 0u);

    // The magnitude is rooted; odd and even exponents, and tiny values.
    FP160 m = from_double(-0.25);
    FP160_Sqrt(&m);
    EXPECT_EQ(to_double(m), 0.5);
    FP160 t = from_double(std::ldexp(1.0, -1073));
    FP160_Sqrt(&t);
    EXPECT_EQ(to_double(t), std::sqrt(std::ldexp(1.0, -1073)));
    FP160 q = from_double(std::ldexp(9.0, 1001));
    FP160_Q_Sqrt(&q);
    EXPECT_EQ(to_double(q), std::sqrt(std::ldexp(9.0, 1001)));

    // A quad-precision dividend: full 128-bit division with a remainder test.
    const uint64_t one_q[2] = {0, 0x3FFF000000000000ull}, three_q[2] = {0, 0x4000800000000000ull};
    const uint64_t six_q[2] = {0, 0x4001800000000000ull};
    FP160 qa, qb;
    FP160_ConvertFromQP(&qa, one_q, "a");
    FP160_ConvertFromQP(&qb, three_q, "b");
    FP160_Divide(&qa, &qb);
    EXPECT_TRUE(qa.exceptions & FP160_EXC_INEXACT);
    uint64_t out[2];
    FP160_Convert128(&qa, 0, out, 5);
    EXPECT_EQ(out[1], 0x3FFD555555555555ull);
    EXPECT_EQ(out[0], 0x5555555555555555ull);
    FP160 qs, qt;
    FP160_ConvertFromQP(&qs, six_q, "a");
    FP160_ConvertFromQP(&qt, three_q, "b");
    FP160_Divide(&qs, &qt);
    EXPECT_EQ(qs.exceptions, 0u);
    FP160_Convert128(&qs, 0, out, 5);
    EXPECT_EQ(out[1], 0x4000000000000000ull);
    EXPECT_EQ(out[0], 0u);
}

} // namespace
