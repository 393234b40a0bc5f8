#include <gtest/gtest.h>

#include "dfp/decimal_arith.h"
#include "dfp/decimal_compare.h"
#include "dfp/decimal_divide.h"
#include "dfp/decimal_fixed.h"
#include "dfp_test_util.h"

using namespace dfp_test;

namespace
{

const DecimalFormat &F64 = DFP_FormatDecimal64;

DecimalNumber inf(int sign = 0)
{
    return special(F64, Infinity, sign);
}

Outcome add(const DecimalNumber &a, const DecimalNumber &b, int mode = 0, uint64_t fpscr = 0)
{
    return runOp(kDrn(mode) | fpscr, 1, F64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Add(&env, &a, &b, &r, &s, &rc, &im);
    });
}

TEST(DfpArith, Add)
{
    struct {
        DecimalNumber a, b;
        int mode;
        const char *value;
        uint32_t fpscr;
    } cases[] = {
        {n64("1", 0), n64("1", -2), 0, "101E-2", 0x4000},
        {n64("9999999999999999", 0), n64("1", -20), 0, "9999999999999999E0", 0x82024000},
        {n64("9999999999999999", 0), n64("1", -20), 6, "1000000000000000E1", 0x82064000},
        {n64("9999999999999999", 0), n64("-1", -20), 0, "9999999999999999E0", 0x82064000},
        {n64("9999999999999999", 0), n64("-1", -20), 1, "9999999999999998E0", 0x82024000},
        {n64("1234", 2), n64("-1234", 2), 0, "0E2", 0x2000},
        {n64("1234", 2), n64("-1234", 2), 3, "-0E2", 0x12000},
        {n64("1234", 2), n64("-1234", 2), 2, "0E2", 0x2000},
        {n64("-0", 5), n64("-0", 3), 0, "-0E3", 0x12000},
        {n64("-0", 5), n64("0", 3), 0, "0E3", 0x2000},
        {n64("0", 30), n64("5", 0), 0, "5E0", 0x4000},
        {n64("5", 20), n64("0", 0), 0, "5000000000000000E5", 0x4000},
        {n64("5", 0), n64("-49", -1), 0, "1E-1", 0x4000},
        {n64("1", 16), n64("-1", -10), 0, "1000000000000000E1", 0x82064000},
        {n64("1", 16), n64("-6", 0), 0, "9999999999999994E0", 0x4000},
        {inf(), inf(1), 0, "NaN", 0xA0811000},
        {inf(), inf(), 0, "Inf", 0x5000},
        {inf(1), n64("5", 0), 0, "-Inf", 0x9000},
        {n64("5", 0), inf(), 0, "Inf", 0x5000},
    };
    for (auto &c : cases) {
        Outcome o = add(c.a, c.b, c.mode);
        EXPECT_EQ(text(o.result), c.value) << text(c.a) << " + " << text(c.b) << " mode " << c.mode;
        EXPECT_EQ(o.fpscr & 0xFFFFFFFF, c.fpscr) << text(c.a) << " + " << text(c.b) << " mode " << c.mode;
    }
    // With invalid enabled, no result is delivered.
    Outcome o = add(inf(), inf(1), 0, 0x80);
    EXPECT_EQ(o.resultKind, 0);
    EXPECT_EQ(o.fpscr & 0xFFFFFFFF, 0xE0800080u);
}

TEST(DfpArith, MultiplyAndNaNs)
{
    struct {
        DecimalNumber a, b;
        const char *value;
        uint32_t fpscr;
    } cases[] = {
        {inf(), n64("0", 3), "NaN", 0xA0111000},
        {inf(1), n64("2", 0), "-Inf", 0x9000},
        {n64("0", 0), n64("-5", 3), "-0E3", 0x12000},
        {n64("12", -1), n64("12", -1), "144E-2", 0x4000},
        {n64("3333333333333333", 0), n64("3", 0), "9999999999999999E0", 0x4000},
        {n64("3333333333333334", 0), n64("3", 0), "1000000000000000E1", 0x82024000},
        // NaN propagation: signalling a, signalling b, quiet a, quiet b.
        {special(F64, SNaN, 0, "11"), special(F64, QNaN, 1, "22"), "NaN11", 0xA1011000},
        {special(F64, QNaN, 1, "11"), special(F64, SNaN, 0, "22"), "NaN22", 0xA1011000},
        {special(F64, QNaN, 1, "11"), special(F64, QNaN, 0, "22"), "-NaN11", 0x11000},
        {n64("5", 0), special(F64, QNaN, 0, "22"), "NaN22", 0x11000},
    };
    for (auto &c : cases) {
        Outcome o = runOp(0, 1, F64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
            DFP_Multiply(&env, &c.a, &c.b, &r, &s, &rc, &im);
        });
        EXPECT_EQ(text(o.result), c.value) << text(c.a) << " * " << text(c.b);
        EXPECT_EQ(o.fpscr, c.fpscr) << text(c.a) << " * " << text(c.b);
    }
    // The quieted NaN keeps sign and payload in its encoding.
    const DecimalNumber s = d64(0xFE000000000000A3), one = n64("1", 0);
    Outcome o = runOp(0, 1, F64, [&](auto &env, auto &r, auto &st, auto &rc, auto &im) {
        DFP_Multiply(&env, &one, &s, &r, &st, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0xFC000000000000A3ull);
}

TEST(DfpArith, CompareAndLoadAndTest)
{
    auto compare = [](const DecimalNumber &a, const DecimalNumber &b, int ordered, uint64_t fpscr = 0) {
        return runOp(fpscr, 2, F64, [&](auto &env, auto &, auto &s, auto &rc, auto &im) {
            DFP_Compare(&env, ordered, &a, &b, &s, &rc, &im);
        });
    };
    struct {
        DecimalNumber a, b;
        int ordered;
        uint64_t fpscrIn;
        uint8_t cr;
        uint32_t fpscr;
    } cases[] = {
        {n64("1", 1), n64("10", 0), 0, 0, 2, 0x2000},
        {n64("0", 5), n64("-0", -3), 0, 0, 2, 0x2000},
        {inf(), inf(), 0, 0, 2, 0x2000},
        {inf(1), inf(1), 1, 0, 2, 0x2000},
        {inf(), inf(1), 0, 0, 4, 0x4000},
        {n64("-5", 0), inf(1), 0, 0, 4, 0x4000},
        {n64("3", 0), n64("30000001", -7), 0, 0, 8, 0x8000},
        {n64("3", 0), n64("30000000", -7), 0, 0, 2, 0x2000},
        {n64("9999999999999999", 369), n64("-9999999999999999", 369), 0, 0, 4, 0x4000},
        {n64("1", 0), n64("1", -30), 0, 0, 4, 0x4000},
        {n64("1", -398), n64("0", 0), 0, 0x20, 4, 0x4020},
        {special(F64, QNaN), n64("1", 0), 0, 0, 1, 0x1000},
        {special(F64, QNaN), n64("1", 0), 1, 0, 1, 0xA0081000},
        {n64("1", 0), special(F64, SNaN), 0, 0, 1, 0xA1001000},
        {n64("1", 0), special(F64, SNaN), 1, 0, 1, 0xA1081000},
        {n64("1", 0), special(F64, SNaN), 1, 0x80, 1, 0xE1001080},
    };
    for (auto &c : cases) {
        Outcome o = compare(c.a, c.b, c.ordered, c.fpscrIn);
        const std::string what = text(c.a) + " ? " + text(c.b) + (c.ordered ? " ordered" : "");
        EXPECT_EQ(o.crValue, c.cr) << what;
        EXPECT_EQ(o.crMask, 15) << what;
        EXPECT_EQ(o.fpscr, c.fpscr) << what;
        EXPECT_EQ(o.resultKind, 0) << what;
    }

    auto loadAndTest = [](const DecimalNumber &a) {
        return runOp(
            0, 1, F64,
            [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
                DFP_Load_And_Test(&env, &a, &r, &s, &rc, &im);
            },
            1);
    };
    struct {
        DecimalNumber a;
        const char *value;
        uint32_t fpscr;
    } lt[] = {
        {n64("-0", 7), "-0E7", 0x12000},
        {n64("123", -400 + 10), "123E-390", 0x14000},
        {n64("1234567890123456", 369), "1234567890123456E369", 0x4000},
        {special(F64, SNaN, 1, "9"), "-NaN9", 0xA1011000},
        {special(F64, Infinity, 1, "77"), "-Inf", 0x9000},
    };
    for (auto &c : lt) {
        Outcome o = loadAndTest(c.a);
        EXPECT_EQ(text(o.result), c.value);
        EXPECT_EQ(o.fpscr, c.fpscr) << c.value;
        EXPECT_EQ(o.crMask, 15);
        EXPECT_EQ(o.crValue, (uint8_t)(c.fpscr >> 28));
    }
    const DecimalNumber infPayload = special(F64, Infinity, 1, "77");
    Outcome o = loadAndTest(infPayload);
    EXPECT_TRUE(BCD_IsZero(&o.result.coefficient.bcdnumber)); // a canonical infinity
}

TEST(DfpArith, ComparisonRoutines)
{
    struct {
        DecimalNumber a, b;
        int abs, value;
    } cases[] = {
        {n64("1", 1), n64("10", 0), 0, 0},       {n64("-0", 3), n64("0", -9), 0, 0},
        {n64("-2", 0), n64("1", 0), 1, -1},      {n64("-2", 0), n64("-1", 0), 1, -1},
        {inf(1), n64("9", 369), 1, -1},          {inf(), inf(1), 0, 1},
        {n64("0", 300), n64("1", -398), -1, -1}, {n64("999", 0), n64("1", 3), -1, -1},
    };
    for (auto &c : cases) {
        EXPECT_EQ(DFP_CompareOperandsByAbsValue(&c.a, &c.b), c.abs) << text(c.a) << " " << text(c.b);
        EXPECT_EQ(DFP_CompareOperands(&c.a, &c.b), c.value) << text(c.a) << " " << text(c.b);
    }
    DecimalIntermediate x{}, y{};
    x.decimalNumber = num(DFP_FormatWide64, "10", 0);
    y.decimalNumber = num(DFP_FormatWide64, "1", 1);
    y.sticky = 1;
    EXPECT_EQ(DFP_CompareImByAbsValue(&x, &y), -1);
    x.decimalNumber.sign = y.decimalNumber.sign = 1;
    EXPECT_EQ(DFP_CompareIm(&x, &y), 1);
    DecimalNumber n;
    const DecimalNumber a = n64("120", 5);
    DFP_Normalize(&a, &n);
    EXPECT_EQ(text(n), "1200000000000000E-8");
    EXPECT_EQ(DFP_CompareCoefficients(&a, &n), 0);
}

TEST(DfpArith, ConvertToFixed)
{
    struct {
        DecimalNumber a;
        int mode;
        int64_t value;
        uint32_t fpscr;
    } cases[] = {
        {n64("25", -1), 0, 2, 0x82020000},
        {n64("-5", -2), 3, -1, 0x82060000},
        {n64("-5", -2), 0, 0, 0x82020000},
        {n64("5", -1), 4, 1, 0x82060000},
        {n64("12345", 2), 0, 1234500, 0x0},
        {num(DFP_FormatDecimal128, "9223372036854775807", 0), 0, INT64_MAX, 0x0},
        {num(DFP_FormatDecimal128, "9223372036854775808", 0), 0, INT64_MAX, 0xA0000100},
        {num(DFP_FormatDecimal128, "-9223372036854775808", 0), 0, INT64_MIN, 0x0},
        {num(DFP_FormatDecimal128, "-92233720368547758085", -1), 0, INT64_MIN, 0x82020000},
        {num(DFP_FormatDecimal128, "-92233720368547758085", -1), 6, INT64_MIN, 0xA0000100},
        {n64("1", 19), 0, INT64_MAX, 0xA0000100},
        {n64("-1", 19), 0, INT64_MIN, 0xA0000100},
        {inf(1), 0, INT64_MIN, 0xA0000100},
        {special(F64, QNaN), 0, INT64_MIN, 0xA0000100},
        {special(F64, SNaN), 0, INT64_MIN, 0xA1000100},
        {n64("-0", -5), 0, 0, 0x0},
        {n64("1", -398), 2, 1, 0x82060000},
    };
    for (auto &c : cases) {
        int64_t out = 12345;
        Outcome o = runOp(kDrn(c.mode) | 0x18000, 3, F64, [&](auto &env, auto &, auto &s, auto &rc, auto &) {
            DFP_ConvertToFixed(&env, &c.a, &out, &s, &rc);
        });
        EXPECT_EQ(out, c.value) << text(c.a) << " mode " << c.mode;
        EXPECT_EQ(o.fpscr & 0xFFFFFFFF, c.fpscr | 0x18000) << text(c.a) << " mode " << c.mode; // FPRF kept
        EXPECT_EQ(o.resultKind, 2);
    }
    // Invalid enabled: nothing delivered, the output untouched.
    int64_t out = 12345;
    const DecimalNumber big = n64("1", 19);
    Outcome o = runOp(0x80, 3, F64, [&](auto &env, auto &, auto &s, auto &rc, auto &) {
        DFP_ConvertToFixed(&env, &big, &out, &s, &rc);
    });
    EXPECT_EQ(out, 12345);
    EXPECT_EQ(o.resultKind, 0);
}

TEST(DfpArith, ConvertFromFixedAndWiden)
{
    Outcome o = runOp(0, 3, F64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_ConvertFromFixed(&env, INT64_MIN, 1, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0xEE45237C836973F6ull);
    EXPECT_EQ(text(o.result), "-9223372036854776E3");
    EXPECT_EQ(o.fpscr, 0x82068000u);
    o = runOp(0, 3, DFP_FormatDecimal128, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_ConvertFromFixed(&env, INT64_MIN, 0, &r, &s, &rc, &im);
    });
    EXPECT_EQ(text(o.result), "-9223372036854775808E0");
    EXPECT_EQ(o.fpscr, 0x8000u);
    o = runOp(0, 3, F64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_ConvertFromFixed(&env, 0, 1, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0x2238000000000000ull);

    struct {
        DecimalNumber a;
        int keepSNaN, canonical;
        const char *value;
        uint32_t fpscr;
    } widen[] = {
        {num(DFP_FormatDecimal32, "-1234567", -101), 0, 0, "-1234567E-101", 0x8000},
        {special(DFP_FormatDecimal32, SNaN, 0, "5"), 1, 0, "sNaN5", 0x1000},
        {special(DFP_FormatDecimal32, SNaN, 0, "5"), 0, 0, "NaN5", 0xA1011000},
        {special(DFP_FormatDecimal32, QNaN, 1, "5"), 0, 0, "-NaN5", 0x11000},
        {special(DFP_FormatDecimal32, Infinity, 1, "5"), 0, 1, "-Inf", 0x9000},
    };
    for (auto &c : widen) {
        o = runOp(0, 3, F64, [&](auto &env, auto &r, auto &s, auto &rc, auto &) {
            DFP_ConvertTo(&env, &c.a, c.keepSNaN, c.canonical, &r, &s, &rc);
        });
        EXPECT_EQ(text(o.result), c.value);
        EXPECT_EQ(o.fpscr, c.fpscr) << c.value;
    }
    const DecimalNumber infPayload = special(DFP_FormatDecimal32, Infinity, 0, "5");
    o = runOp(0, 3, F64, [&](auto &env, auto &r, auto &s, auto &rc, auto &) {
        DFP_ConvertTo(&env, &infPayload, 0, 0, &r, &s, &rc);
    });
    EXPECT_EQ(o.word[0], 0x7800000000000005ull);
    o = runOp(0, 3, F64, [&](auto &env, auto &r, auto &s, auto &rc, auto &) {
        DFP_ConvertTo(&env, &widen[1].a, 1, 0, &r, &s, &rc);
    });
    EXPECT_EQ(o.word[0], 0x7E00000000000005ull);
}

TEST(DfpDivide, QuotientsAndSpecialCases)
{
    struct {
        DecimalNumber a, b;
        uint64_t fpscrIn;
        const char *value;
        uint32_t fpscr;
        int delivered;
    } cases[] = {
        {n64("6", 0), n64("2", 0), 0, "3E0", 0x4000, 1},
        {n64("1", 0), n64("4", 0), 0, "25E-2", 0x4000, 1},
        {n64("100", 0), n64("10", 0), 0, "10E0", 0x4000, 1},
        {n64("1", 0), n64("3", 0), 0, "3333333333333333E-16", 0x82024000, 1},
        {n64("2", 0), n64("3", 0), 0, "6666666666666667E-16", 0x82064000, 1},
        {n64("-1", 0), n64("8", 0), 0, "-125E-3", 0x8000, 1},
        {n64("9999999999999999", 0), n64("3", 0), 0, "3333333333333333E0", 0x4000, 1},
        {n64("1", 369), n64("1", -30), 0, "Inf", 0x92065000, 1},
        {n64("12", 5), n64("4000", 0), 0, "3E2", 0x4000, 1},
        {n64("0", 3), n64("7", 1), 0, "0E2", 0x2000, 1},
        {n64("0", 300), n64("7", -300), 0, "0E369", 0x2000, 1},
        {n64("-0", 3), n64("7", 1), 0, "-0E2", 0x12000, 1},
        {n64("5", 0), inf(), 0, "0E-398", 0x2000, 1},
        {n64("-0", 7), inf(), 0, "-0E-398", 0x12000, 1},
        {inf(), n64("-0", 0), 0, "-Inf", 0x9000, 1},
        {n64("5", 0), n64("0", 0), 0x60000, "Inf", 0x84005000, 1},
        {n64("-5", 0), n64("0", 0), 0, "-Inf", 0x84009000, 1},
        {n64("5", 0), n64("0", 0), 0x10, "", 0xC4000010, 0},
        {n64("0", 0), n64("0", 0), 0x60000, "NaN", 0xA0211000, 1},
        {inf(), inf(1), 0, "NaN", 0xA0411000, 1},
        {special(F64, QNaN, 0, "4"), n64("0", 0), 0x60000, "NaN4", 0x11000, 1},
    };
    for (auto &c : cases) {
        Outcome o = runOp(c.fpscrIn, 1, F64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
            DFP_Divide(&env, &c.a, &c.b, &r, &s, &rc, &im);
        });
        const std::string what = text(c.a) + " / " + text(c.b);
        if (c.delivered) {
            EXPECT_EQ(text(o.result), c.value) << what;
        }
        EXPECT_EQ(o.resultKind != 0, c.delivered != 0) << what;
        EXPECT_EQ(o.fpscr, c.fpscr) << what;
    }
}

// Quotients of P + 1 digits whichever coefficient leads (lt 0 and 1), checked against the
// product: q * b is within one unit of the last place of a.
TEST(DfpDivide, LongQuotientsInBothFormats)
{
    const char *coefs[] = {"1", "3", "7", "9999999999999999", "1234567890123457", "5000000000000001", "97"};
    for (const char *x : coefs)
        for (const char *y : coefs) {
            const DecimalNumber a = n64(x, 0), b = n64(y, 0);
            Outcome o = runOp(0, 1, F64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
                DFP_Divide(&env, &a, &b, &r, &s, &rc, &im);
            });
            EXPECT_EQ(o.result.type, Normal);
            const DecimalNumber a128 = num(DFP_FormatDecimal128, std::string(x) + "123456789", 0);
            const DecimalNumber b128 = num(DFP_FormatDecimal128, y, 0);
            o = runOp(0, 1, DFP_FormatDecimal128, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
                DFP_Divide(&env, &a128, &b128, &r, &s, &rc, &im);
            });
            EXPECT_EQ(o.result.type, Normal);
            if (o.fpscr & DFP_FPSCR_FI) {
                EXPECT_EQ(BCD_GetNumDigits(&o.result.coefficient.bcdnumber), 34u) << x << "/" << y;
            }
        }
}

} // namespace
