#include <gtest/gtest.h>

#include "dfp/decimal_arith.h"
#include "dfp/decimal_divide.h"
#include "dfp/decimal_round.h"
#include "dfp/decimal_round_ops.h"
#include "dfp/dfp_exceptions.h"
#include "dfp_test_util.h"

using namespace dfp_test;

namespace
{

// Rounding a five-digit intermediate into four digits: the last digit is the round digit.
TEST(DfpRound, ModesAndTies)
{
    const DecimalFormat four = DFP_MakeFormat(4, 90, 144), five = DFP_MakeFormat(5, 200, 144);
    struct Case {
        int mode;
        const char *coef; // "[-]ddddd": kept digits then the round digit
        int sticky;
        const char *result;
        bool fr, fi;
    } cases[] = {
        {0, "00105", 0, "10E0", false, true},      {0, "00115", 0, "12E0", true, true},
        {0, "00125", 0, "12E0", false, true},      {0, "00125", 1, "13E0", true, true},
        {0, "00126", 0, "13E0", true, true},       {0, "00124", 1, "12E0", false, true},
        {4, "00125", 0, "13E0", true, true},       {4, "00126", 0, "13E0", true, true},
        {4, "00124", 1, "12E0", false, true},      {5, "00125", 0, "12E0", false, true},
        {5, "00126", 0, "13E0", true, true},       {5, "00125", 1, "13E0", true, true},
        {1, "00129", 1, "12E0", false, true},      {1, "-00129", 1, "-12E0", false, true},
        {2, "00121", 0, "13E0", true, true},       {2, "-00129", 0, "-12E0", false, true},
        {3, "00121", 0, "12E0", false, true},      {3, "-00121", 0, "-13E0", true, true},
        {6, "00120", 1, "13E0", true, true},       {6, "-00121", 0, "-13E0", true, true},
        {7, "12345", 0, "1234E0", false, true},    {7, "12301", 0, "1231E0", true, true},
        {7, "12351", 0, "1236E0", true, true},     {7, "12300", 0, "1230E0", false, false},
        {7, "12340", 1, "1234E0", false, true},    {0, "99995", 0, "1000E1", true, true},
        {3, "-10100", 0, "-1010E0", false, false},
    };
    for (const Case &c : cases) {
        DecimalIntermediate im{};
        im.decimalNumber = num(five, c.coef, 0);
        im.sticky = c.sticky;
        DecimalNumber r{};
        r.format = four;
        DFP_Environment env{};
        env.roundingMode = c.mode;
        env.system = 1;
        env.operation = 1;
        uint32_t status = 0;
        DFP_RoundingCase rc;
        int32_t adj;
        DFP_Round(&im, &env, &r, &status, &rc, &adj);
        const std::string what = std::to_string(c.mode) + " " + c.coef + (c.sticky ? "+" : "");
        EXPECT_EQ(text(r), c.result) << what;
        EXPECT_EQ((status & DFP_STATUS_FR) != 0, c.fr) << what;
        EXPECT_EQ((status & DFP_STATUS_FI) != 0, c.fi) << what;
        EXPECT_EQ(rc.coefficientIncremented != 0, c.fr) << what;
        EXPECT_EQ(rc.inexact != 0, c.fi) << what;
        EXPECT_EQ(adj, 0);
    }
    // -1.01 to two digits toward -infinity: -1.1.
    const DecimalFormat two = DFP_MakeFormat(2, 90, 144), three = DFP_MakeFormat(3, 200, 144);
    DecimalIntermediate im{};
    im.decimalNumber = num(three, "-101", -1);
    DecimalNumber r{};
    r.format = two;
    DFP_Environment env{};
    env.roundingMode = 3;
    uint32_t status = 0;
    DFP_RoundingCase rc;
    int32_t adj;
    DFP_Round(&im, &env, &r, &status, &rc, &adj);
    EXPECT_EQ(text(r), "-11E-1");
    EXPECT_TRUE(status & DFP_STATUS_FR);
}

// 9999999999999999E369 x 10 in every mode: infinity or the largest finite number.
TEST(DfpRound, OverflowInEveryMode)
{
    const DecimalNumber big = n64("9999999999999999", 369), ten = n64("10", 0), minusTen = n64("-10", 0);
    for (int mode = 0; mode < 8; mode++) {
        const bool inf = mode == 0 || mode == 2 || mode == 4 || mode == 5 || mode == 6;
        Outcome o =
            runOp(kDrn(mode), 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
                DFP_Multiply(&env, &big, &ten, &r, &s, &rc, &im);
            });
        EXPECT_EQ(o.word[0], inf ? 0x7800000000000000ull : 0x77FCFF3FCFF3FCFFull) << mode;
        EXPECT_EQ(o.fpscr & 0xFFFFFFFF, inf ? 0x92065000u : 0x92024000u) << mode; // FX OX XX (FR) FI class
    }
    Outcome o = runOp(kDrn(2), 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Multiply(&env, &big, &minusTen, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0xF7FCFF3FCFF3FCFFull);
    EXPECT_EQ(o.fpscr & 0xFFFFFFFF, 0x92028000u);
}

TEST(DfpRound, TrappedOverflowAndUnderflowScaleTheExponent)
{
    const DecimalNumber big = n64("9999999999999999", 369), ten = n64("10", 0);
    Outcome o = runOp(0x40, 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Multiply(&env, &big, &ten, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0x6700FF3FCFF3FCFFull);
    EXPECT_EQ(o.fpscr, 0xD0004040u);

    const DecimalNumber tiny = n64("1", -383), e10 = n64("1", 10), three = n64("3", 0);
    o = runOp(0x20, 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Divide(&env, &tiny, &e10, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0x4114000000000001ull);
    EXPECT_EQ(o.fpscr, 0xC8004020u);

    // Round to shorter keeps the scaled value in the longer format, scaled by a third.
    struct {
        DecimalNumber from;
        uint64_t fpscr;
        const DecimalFormat *to;
        const char *value;
        int precision;
    } shorter[] = {
        {num(DFP_FormatDecimal128, "1", 400), 0x40, &DFP_FormatDecimal64, "1E-2672", 34},
        {num(DFP_FormatDecimal128, "1", -400), 0x20, &DFP_FormatDecimal64, "1E2672", 34},
        {num(DFP_FormatDecimal64, "1", 100), 0x40, &DFP_FormatDecimal32, "1E-92", 16},
        {num(DFP_FormatDecimal64, "1", -100), 0x20, &DFP_FormatDecimal32, "1E92", 16},
        {num(DFP_FormatDecimal128, "1", 400), 0x00, &DFP_FormatDecimal64, "Inf", 16},
    };
    for (auto &c : shorter) {
        o = runOp(c.fpscr, 10, *c.to, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
            DFP_RoundTo(&env, &c.from, 0, 1, &r, &s, &rc, &im);
        });
        EXPECT_EQ(text(o.result), c.value);
        EXPECT_EQ(o.result.format.precision, c.precision) << c.value;
    }
    o = runOp(0x40, 10, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_RoundTo(&env, &shorter[0].from, 0, 1, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0x036C000000000000ull);
    EXPECT_EQ(o.word[1], 0x0000000000000001ull);
    o = runOp(0x20, 10, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_RoundTo(&env, &shorter[1].from, 0, 1, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0x40A4000000000000ull);
    EXPECT_EQ(o.word[1], 0x0000000000000001ull);
    (void)three;
}

TEST(DfpRound, TinyResultsAndClamping)
{
    const DecimalNumber tiny = n64("1", -383), e10 = n64("1", 10), three = n64("3", 0);
    Outcome o = runOp(0, 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Divide(&env, &tiny, &e10, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0x0014000000000001ull); // exact subnormal: no underflow
    EXPECT_EQ(o.fpscr, 0x14000u);
    o = runOp(0, 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Divide(&env, &tiny, &three, &r, &s, &rc, &im);
    });
    EXPECT_EQ(text(o.result), "333333333333333E-398");
    EXPECT_EQ(o.fpscr, 0x8A034000u);
    // Tininess is judged before rounding: the product rounds up to 1E-383 and still underflows.
    const DecimalNumber a = n64("9999999999999999", -207), b = n64("9999999999999999", -208);
    o = runOp(0, 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Multiply(&env, &a, &b, &r, &s, &rc, &im);
    });
    EXPECT_EQ(text(o.result), "1000000000000000E-398");
    EXPECT_EQ(o.fpscr, 0x8A064000u);

    // Exact zeros keep their exponent, clamped; 1E370 is clamped to 10E369 silently.
    const DecimalNumber z300 = n64("0", 300), zm300 = n64("-0", -300), e369 = n64("1", 369), e1 = n64("1", 1);
    o = runOp(0, 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Multiply(&env, &z300, &z300, &r, &s, &rc, &im);
    });
    EXPECT_EQ(text(o.result), "0E369");
    EXPECT_EQ(o.fpscr, 0x2000u);
    o = runOp(0, 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Multiply(&env, &z300, &zm300, &r, &s, &rc, &im);
    });
    EXPECT_EQ(text(o.result), "-0E0");
    o = runOp(0, 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Multiply(&env, &zm300, &zm300, &r, &s, &rc, &im);
    });
    EXPECT_EQ(text(o.result), "0E-398");
    o = runOp(0, 1, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Multiply(&env, &e369, &e1, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0x43FC000000000010ull);
    EXPECT_EQ(o.fpscr, 0x4000u);
}

TEST(DfpRound, RoundToInteger)
{
    struct {
        const char *coef;
        int32_t e;
        int mode, signal;
        const char *value;
        uint32_t fpscr;
    } cases[] = {
        {"25", -1, 0, 1, "2E0", 0x82024000},        {"25", -1, 0, 0, "2E0", 0x4000},
        {"25", -1, 6, 1, "3E0", 0x82064000},        {"1", -4, 6, 1, "1E0", 0x82064000},
        {"1", -4, 0, 1, "0E0", 0x82022000},         {"5", 3, 0, 1, "5E3", 0x4000},
        {"-15", -1, 0, 1, "-2E0", 0x82068000},      {"0", -5, 0, 1, "0E0", 0x2000},
        {"99999", -1, 2, 1, "10000E0", 0x82064000},
    };
    for (auto &c : cases) {
        const DecimalNumber a = n64(c.coef, c.e);
        Outcome o = runOp(kDrn(c.mode), 11, DFP_FormatDecimal64,
                          [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
                              DFP_RoundFPInteger(&env, &a, c.signal, &r, &s, &rc, &im);
                          });
        EXPECT_EQ(text(o.result), c.value) << c.coef << "E" << c.e << " mode " << c.mode;
        EXPECT_EQ(o.fpscr & 0xFFFFFFFF, c.fpscr) << c.coef << "E" << c.e << " mode " << c.mode;
    }
    const DecimalNumber inf = special(DFP_FormatDecimal64, Infinity, 1, "5");
    Outcome o = runOp(0, 11, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_RoundFPInteger(&env, &inf, 1, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.word[0], 0xF800000000000000ull);
}

TEST(DfpRound, Quantize)
{
    struct {
        DecimalNumber ref, op;
        uint32_t rmc;
        const char *value;
        uint32_t fpscr;
    } cases[] = {
        {n64("1", -2), n64("12345", -4), 0, "123E-2", 0x82024000},
        {n64("1", -2), n64("12355", -4), 2, "124E-2", 0x82064000}, // RMC 2: ties away
        {n64("1", -1), n64("9999999999999999", 0), 0, "NaN", 0xA0011100},
        {n64("7", 5), n64("-0", -3), 0, "-0E5", 0x12000},
        {special(DFP_FormatDecimal64, Infinity), n64("5", 0), 0, "NaN", 0xA0011100},
        {special(DFP_FormatDecimal64, Infinity), special(DFP_FormatDecimal64, Infinity, 1), 0, "-Inf",
         0x9000},
        {n64("1", -396), n64("1234", -397), 0, "123E-396", 0x82034000}, // tiny and inexact: no underflow
        {n64("1", 0), n64("123", 0), 0, "123E0", 0x4000},
        {n64("1", 3), n64("4", -1), 0, "0E3", 0x82022000},
        {n64("1", 3), n64("6", 2), 0, "1E3", 0x82064000},
    };
    for (auto &c : cases) {
        Outcome o = runOp(0, 18, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
            DFP_Quantize(&env, &c.ref, &c.op, c.rmc, &r, &s, &rc, &im);
        });
        EXPECT_EQ(text(o.result), c.value) << text(c.op) << " to " << c.ref.exponent;
        EXPECT_EQ(o.fpscr & 0xFFFFFFFF, c.fpscr) << text(c.op) << " to " << c.ref.exponent;
    }
    const DecimalNumber inf = special(DFP_FormatDecimal64, Infinity), five = n64("5", 0);
    Outcome o = runOp(0x80, 18, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        DFP_Quantize(&env, &inf, &five, 0, &r, &s, &rc, &im);
    });
    EXPECT_EQ(o.resultKind, 0);
    EXPECT_EQ(o.fpscr, 0xE0000180u);
}

TEST(DfpRound, Reround)
{
    struct {
        const char *coef;
        int32_t e;
        uint32_t k;
        int mode;
        const char *value;
        uint32_t fpscr;
    } cases[] = {
        {"9999", 0, 3, 0, "100E2", 0x82064000},
        {"9999", 0, 0, 0, "9999E0", 0x4000},
        {"9999", 0, 4, 0, "9999E0", 0x4000},
        {"9999", 0, 9, 0, "9999E0", 0x4000},
        {"123456", -3, 2, 0, "12E1", 0x82024000},
        {"123456", -3, 2, 2, "13E1", 0x82064000},
        {"9999999999999999", 369, 15, 0, "NaN", 0xA0011100},
        {"0", 5, 3, 0, "0E5", 0x2000},
    };
    for (auto &c : cases) {
        const DecimalNumber a = n64(c.coef, c.e);
        Outcome o =
            runOp(kDrn(c.mode), 9, DFP_FormatDecimal64, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
                DFP_Reround(&env, c.k, &a, 3, &r, &s, &rc, &im);
            });
        EXPECT_EQ(text(o.result), c.value) << c.coef << "E" << c.e << " to " << c.k;
        EXPECT_EQ(o.fpscr & 0xFFFFFFFF, c.fpscr) << c.coef << "E" << c.e << " to " << c.k;
    }
}

TEST(DfpRoundDeathTest, Assertions)
{
    DecimalIntermediate im{};
    im.decimalNumber = special(DFP_FormatWide64, Infinity);
    DecimalNumber r{};
    r.format = DFP_FormatDecimal64;
    DFP_Environment env{};
    uint32_t status = 0;
    DFP_RoundingCase rc;
    int32_t adj;
    EXPECT_EXIT(DFP_Round(&im, &env, &r, &status, &rc, &adj), testing::ExitedWithCode(129),
                "<im->decimalNumber.type == Normal>, file <common/dfp/DecimalFP_Rounder>");
    im.decimalNumber = num(DFP_FormatDecimal64, "5", 0);
    EXPECT_EXIT(Truncate(&im, 0, &r), testing::ExitedWithCode(129), "<precDiff> 0>");
    im.decimalNumber = num(DFP_FormatWide64, "5", 0);
    env.roundingMode = 9;
    EXPECT_EXIT(DFP_Round(&im, &env, &r, &status, &rc, &adj), testing::ExitedWithCode(129),
                "<Invalid_rounding_mode_in_DFP2Positive>");
}

} // namespace
